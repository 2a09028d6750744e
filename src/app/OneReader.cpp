#include "app/OneReader.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDataStream>
#include <QFile>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <utility>

namespace inkvista {

namespace {

// The first word of every request, so that a stray client is told apart.
constexpr quint32 kRequestMagic = 0x494B5631;  // "IKV1"
constexpr int kConnectTries = 50;
constexpr int kTryPauseMs = 100;
// A request is a path; anything larger is not one.
constexpr qint64 kMaxRequestBytes = 64 * 1024;
constexpr int kRequestTimeoutMs = 5000;
// The running reader answers once it has looked at the book; a box it shows
// meanwhile does not hold the answer back.
constexpr int kAnswerTimeoutMs = 20000;
constexpr int kListenBacklog = 16;

// Requests and answers are QDataStream's forms of these values, as the
// readers before spoke them.
constexpr auto kStreamVersion = QDataStream::Qt_6_0;

QString Absolute(const std::filesystem::path& path) {
    std::error_code ec;
    const auto whole = std::filesystem::weakly_canonical(std::filesystem::absolute(path, ec), ec);
    return QFile::decodeName(QByteArray::fromStdString(whole.string()));
}

// A socket descriptor, closed when it goes.
class Socket {
  public:
    explicit Socket(int fd = -1) : fd_(fd) {}
    Socket(Socket&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Socket& operator=(Socket&&) = delete;
    ~Socket() {
        if (fd_ >= 0) ::close(fd_);
    }
    int fd() const { return fd_; }
    int Release() { return std::exchange(fd_, -1); }
    explicit operator bool() const { return fd_ >= 0; }

  private:
    int fd_;
};

// The address of `path`; false when the path is too long for one.
bool AddressOf(const QString& path, sockaddr_un* address) {
    const QByteArray name = QFile::encodeName(path);
    *address = {};
    address->sun_family = AF_UNIX;
    if (name.isEmpty() || name.size() >= qsizetype(sizeof(address->sun_path))) return false;
    std::memcpy(address->sun_path, name.constData(), name.size());
    return true;
}

// Sends all of `bytes`, waiting at most `timeoutMs` each time the peer's
// side is full. No SIGPIPE for a peer that went.
bool SendAll(int fd, const QByteArray& bytes, int timeoutMs) {
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.constData() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += n;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd wait{fd, POLLOUT, 0};
            if (::poll(&wait, 1, timeoutMs) > 0) continue;
        }
        return false;
    }
    return true;
}

// Adds what `fd` has to `into`: false at its end or on an error.
bool ReceiveSome(int fd, QByteArray& into) {
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n > 0) {
            into.append(chunk, n);
            return true;
        }
        if (n < 0 && errno == EINTR) continue;
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

// The answer at the front of `bytes`, once all of it is there.
std::optional<QByteArray> AnswerIn(const QByteArray& bytes) {
    QDataStream in(bytes);
    in.setVersion(kStreamVersion);
    QByteArray answer;
    in >> answer;
    if (in.status() != QDataStream::Ok) return std::nullopt;
    return answer;
}

// Sends the request on a connected socket and reads the answer.
OneReader::Start Ask(const Socket& socket, const std::optional<std::filesystem::path>& book,
                     std::string* message) {
    QByteArray request;
    {
        QDataStream out(&request, QIODevice::WriteOnly);
        out.setVersion(kStreamVersion);
        out << kRequestMagic << bool(book)
            << (book ? QByteArray::fromStdString(book->string()) : QByteArray());
    }
    QByteArray received;
    if (SendAll(socket.fd(), request, kAnswerTimeoutMs)) {
        for (;;) {
            if (const std::optional<QByteArray> answer = AnswerIn(received)) {
                if (answer->isEmpty()) return OneReader::Start::HandedOver;
                *message = answer->toStdString();
                return OneReader::Start::Refused;
            }
            pollfd wait{socket.fd(), POLLIN, 0};
            if (::poll(&wait, 1, kAnswerTimeoutMs) <= 0) break;
            const qsizetype before = received.size();
            if (!ReceiveSome(socket.fd(), received) || received.size() == before) break;
        }
    }
    *message = "the running reader did not answer";
    return OneReader::Start::Alone;
}

// One later start's request, read as it comes and answered once whole.
class Request : public QObject {
  public:
    Request(int fd, OneReader::Handler& handler, QObject* parent)
        : QObject(parent), socket_(fd), handler_(handler), readable_(fd, QSocketNotifier::Read) {
        connect(&readable_, &QSocketNotifier::activated, this, &Request::Read);
        // A client that says nothing useful in time is dropped.
        patience_.setSingleShot(true);
        connect(&patience_, &QTimer::timeout, this, &QObject::deleteLater);
        patience_.start(kRequestTimeoutMs);
    }

  private:
    void Read() {
        if (!ReceiveSome(socket_.fd(), received_) || received_.size() > kMaxRequestBytes) {
            Drop();
            return;
        }
        QDataStream in(received_);
        in.setVersion(kStreamVersion);
        quint32 magic = 0;
        bool hasBook = false;
        QByteArray path;
        in >> magic;
        if (in.status() == QDataStream::Ok && magic != kRequestMagic) {
            Drop();
            return;
        }
        in >> hasBook >> path;
        if (in.status() != QDataStream::Ok) return;  // the rest is still on its way
        // The handler may show a box and run events meanwhile: this request
        // is whole and neither read again nor timed out.
        readable_.setEnabled(false);
        patience_.stop();
        std::optional<std::filesystem::path> book;
        if (hasBook) book = std::filesystem::path(path.toStdString());
        const std::string refusal = handler_(book);
        QByteArray answer;
        QDataStream out(&answer, QIODevice::WriteOnly);
        out.setVersion(kStreamVersion);
        out << QByteArray::fromStdString(refusal);
        SendAll(socket_.fd(), answer, kRequestTimeoutMs);
        Drop();
    }
    void Drop() {
        readable_.setEnabled(false);
        patience_.stop();
        deleteLater();
    }

    Socket socket_;
    OneReader::Handler& handler_;
    QSocketNotifier readable_;
    QTimer patience_;
    QByteArray received_;
};

}  // namespace

ReaderAddress ReaderAddressFor(const DeviceOptions& options) {
    // Without a runtime folder of the user's own there is no place that
    // other users cannot reach: the address stays empty and the reader runs
    // on its own.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) return {};
    QString name = QStringLiteral("inkvista");
    if (options.root || options.registryFile) {
        const QString key = Absolute(options.registryFile.value_or(DefaultRegistryFile())) +
                            QChar(0) + (options.root ? Absolute(*options.root) : QString());
        const QByteArray hash = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256);
        name += QLatin1Char('-') + QString::fromLatin1(hash.toHex().left(16));
    }
    return {folder + QLatin1Char('/') + name + QStringLiteral(".socket"),
            folder + QLatin1Char('/') + name + QStringLiteral(".lock")};
}

OneReader::OneReader(ReaderAddress address) : address_(std::move(address)), lock_(address_.lock) {
    // The lock is held for as long as the reader runs: only a dead holder
    // makes it stale, never its age.
    lock_.setStaleLockTime(0);
}

OneReader::~OneReader() {
    Close();
}

void OneReader::Close() {
    if (listener_ < 0) return;
    delete accepting_;
    accepting_ = nullptr;
    ::close(listener_);
    listener_ = -1;
    // The socket goes with the reader: the lock already tells later starts
    // that none runs, and a socket left behind would only be taken over.
    ::unlink(QFile::encodeName(address_.socket).constData());
}

OneReader::Start OneReader::Begin(const std::optional<std::filesystem::path>& book,
                                  std::string* message) {
    if (address_.lock.isEmpty()) {
        *message = "no runtime folder of this user's (XDG_RUNTIME_DIR)";
        return Start::Alone;
    }
    if (lock_.tryLock(0)) return Start::Serve;
    if (lock_.error() != QLockFile::LockFailedError) {
        *message = "cannot make " + address_.lock.toStdString();
        return Start::Alone;
    }
    sockaddr_un address;
    if (!AddressOf(address_.socket, &address)) {
        *message = "the running reader's socket (" + address_.socket.toStdString() +
                   ") has a path too long to reach";
        return Start::Alone;
    }
    // A reader holds the lock; it listens once it is up.
    for (int attempt = 0; attempt < kConnectTries; ++attempt) {
        const Socket socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (socket && ::connect(socket.fd(), reinterpret_cast<const sockaddr*>(&address),
                                sizeof address) == 0) {
            return Ask(socket, book, message);
        }
        QThread::msleep(kTryPauseMs);
        // It may have ended meanwhile, leaving the place to this start.
        if (lock_.tryLock(0)) return Start::Serve;
    }
    *message = "the running reader (" + address_.lock.toStdString() + ") does not answer";
    return Start::Alone;
}

bool OneReader::Listen(Handler handler, std::string* message) {
    handler_ = std::move(handler);
    const QByteArray path = QFile::encodeName(address_.socket);
    auto fail = [&](const char* why) {
        *message = "cannot listen on " + path.toStdString() + ": " + why;
        return false;
    };
    sockaddr_un address;
    if (!AddressOf(address_.socket, &address)) return fail("the path is too long");
    Socket socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!socket) return fail(std::strerror(errno));
    // A socket left behind is a dead reader's: the lock says none runs.
    ::unlink(path.constData());
    if (::bind(socket.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return fail(std::strerror(errno));
    }
    // Only this user's starts may hand over books (the runtime folder is the
    // user's own already).
    if (::chmod(path.constData(), S_IRUSR | S_IWUSR) != 0 ||
        ::listen(socket.fd(), kListenBacklog) != 0) {
        const int error = errno;
        ::unlink(path.constData());
        return fail(std::strerror(error));
    }
    listener_ = socket.Release();
    accepting_ = new QSocketNotifier(listener_, QSocketNotifier::Read, this);
    connect(accepting_, &QSocketNotifier::activated, this, &OneReader::Accept);
    return true;
}

void OneReader::Accept() {
    for (;;) {
        const int client = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (client < 0) {
            if (errno == EINTR) continue;
            return;  // none waiting, or one that went before it was taken
        }
        new Request(client, handler_, this);
    }
}

}  // namespace inkvista
