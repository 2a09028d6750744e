// One reader per user and device: a second start hands its book (or only a
// request to come to the front) to the reader already running, over a local
// socket in the user's runtime folder, and ends. Script mode takes no part.
#pragma once

#include <QLockFile>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/Device.h"

namespace inkvista {

// Where the reader of a device listens and the lock that says one does.
// A device is the pair of registry file and root folder: readers started
// with another --root or --registry are readers of another device and do not
// meet. The default device's files are "inkvista.socket" and "inkvista.lock";
// another device's carry a hash of its two paths.
struct ReaderAddress {
    QString socket;
    QString lock;
};
// Needs a QCoreApplication (for the runtime folder, which it creates). Empty
// when the user has no runtime folder.
ReaderAddress ReaderAddressFor(const DeviceOptions& options);

class OneReader : public QObject {
    Q_OBJECT

  public:
    // A request of a later start: a book's host path as that start was given
    // it, or none (come to the front). Answers the empty text when taken,
    // else why not (printed by that start, which then fails as it would have
    // on its own).
    using Handler = std::function<std::string(const std::optional<std::filesystem::path>& book)>;

    enum class Start {
        Serve,       // this is the device's reader: Listen once its window exists
        HandedOver,  // the running reader took the request: end with 0
        Refused,     // it refused the book: `message` says why
        Alone,       // no reader could be reached or become one: run unshared
    };

    explicit OneReader(ReaderAddress address);
    ~OneReader() override;

    // Becomes the device's reader (takes the lock; a socket left by a reader
    // that died is taken over), or hands `book` to the one running. For
    // Alone, `message` says why.
    Start Begin(const std::optional<std::filesystem::path>& book, std::string* message);
    // After Begin answered Serve: requests of later starts reach `handler`
    // from the event loop. False when the socket cannot be made (the reader
    // then runs unshared; `message` says why).
    bool Listen(Handler handler, std::string* message);

  private:
    void Accept();
    void Close();

    ReaderAddress address_;
    QLockFile lock_;
    // The listening socket, -1 until Listen; a plain Unix socket, not Qt's
    // network module, whose libraries (Kerberos, proxies) were a twentieth
    // of every start's loading for a socket that is local.
    int listener_ = -1;
    QSocketNotifier* accepting_ = nullptr;
    Handler handler_;
};

}  // namespace inkvista
