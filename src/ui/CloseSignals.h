// The signals that ask a program to end (SIGTERM from the session or `kill`,
// SIGINT from Ctrl+C, SIGHUP from a closed terminal), turned into a Qt signal
// on the event loop. The handler only writes the signal's number to a pipe;
// whatever the program does about it runs later, from the loop, where any
// operation is safe.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace inkvista {

class CloseSignals : public QObject {
    Q_OBJECT

  public:
    // Only one may watch at a time; the handlers are installed by Watch.
    CloseSignals();
    ~CloseSignals() override;
    CloseSignals(const CloseSignals&) = delete;
    CloseSignals& operator=(const CloseSignals&) = delete;

    // Installs the handlers. Each signal is caught once: a second one of the
    // same kind ends the program at once, as if nothing had been installed,
    // for when the orderly end is stuck. False (with errno) when the pipe or
    // a handler could not be set up; nothing is then caught.
    bool Watch();

  signals:
    // From the event loop, once per signal caught.
    void received(int signalNumber);

  private:
    void Drain();

    int pipe_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace inkvista
