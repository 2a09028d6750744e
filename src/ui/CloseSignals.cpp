#include "ui/CloseSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>

namespace inkvista {

namespace {

constexpr std::array kSignals = {SIGTERM, SIGINT, SIGHUP};

// The write end of the watching object's pipe, for the handler.
std::atomic<int> signalPipe{-1};

extern "C" void OnCloseSignal(int signalNumber) {
    const int saved = errno;
    const int fd = signalPipe.load();
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(signalNumber);
        // A full pipe already holds a request to end, which is all this adds.
        [[maybe_unused]] const ssize_t written = write(fd, &byte, 1);
    }
    errno = saved;
}

void DefaultHandlers() {
    struct sigaction plain {};
    plain.sa_handler = SIG_DFL;
    sigemptyset(&plain.sa_mask);
    for (const int s : kSignals) sigaction(s, &plain, nullptr);
    signalPipe.store(-1);
}

}  // namespace

CloseSignals::CloseSignals() = default;

CloseSignals::~CloseSignals() {
    if (notifier_) DefaultHandlers();
    notifier_.reset();
    for (int& fd : pipe_) {
        if (fd >= 0) close(fd);
        fd = -1;
    }
}

bool CloseSignals::Watch() {
    if (notifier_) return true;
    if (pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
        pipe_[0] = pipe_[1] = -1;
        return false;
    }
    notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &CloseSignals::Drain);
    signalPipe.store(pipe_[1]);
    struct sigaction caught {};
    caught.sa_handler = OnCloseSignal;
    sigemptyset(&caught.sa_mask);
    // Once, then the default again; interrupted calls resume.
    caught.sa_flags = SA_RESETHAND | SA_RESTART;
    for (const int s : kSignals) {
        if (sigaction(s, &caught, nullptr) != 0) {
            const int error = errno;
            DefaultHandlers();
            errno = error;
            return false;
        }
    }
    return true;
}

void CloseSignals::Drain() {
    unsigned char bytes[16];
    ssize_t got = 0;
    while ((got = read(pipe_[0], bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < got; ++i) emit received(bytes[i]);
    }
}

}  // namespace inkvista
