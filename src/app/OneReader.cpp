#include "app/OneReader.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QFile>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

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

constexpr auto kStreamVersion = QDataStream::Qt_6_0;

QString Absolute(const std::filesystem::path& path) {
    std::error_code ec;
    const auto whole = std::filesystem::weakly_canonical(std::filesystem::absolute(path, ec), ec);
    return QFile::decodeName(QByteArray::fromStdString(whole.string()));
}

// Sends the request on a connected socket and reads the answer.
OneReader::Start Ask(QLocalSocket& socket, const std::optional<std::filesystem::path>& book,
                     std::string* message) {
    QByteArray request;
    {
        QDataStream out(&request, QIODevice::WriteOnly);
        out.setVersion(kStreamVersion);
        out << kRequestMagic << bool(book)
            << (book ? QByteArray::fromStdString(book->string()) : QByteArray());
    }
    socket.write(request);
    QDataStream in(&socket);
    in.setVersion(kStreamVersion);
    while (socket.state() == QLocalSocket::ConnectedState || socket.bytesAvailable() > 0) {
        in.startTransaction();
        QByteArray answer;
        in >> answer;
        if (in.commitTransaction()) {
            if (answer.isEmpty()) return OneReader::Start::HandedOver;
            *message = answer.toStdString();
            return OneReader::Start::Refused;
        }
        if (!socket.waitForReadyRead(kAnswerTimeoutMs)) break;
    }
    *message = "the running reader did not answer";
    return OneReader::Start::Alone;
}

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
    server_.close();
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
    // A reader holds the lock; it listens once it is up.
    for (int attempt = 0; attempt < kConnectTries; ++attempt) {
        QLocalSocket socket;
        socket.connectToServer(address_.socket);
        if (socket.waitForConnected(1000)) return Ask(socket, book, message);
        QThread::msleep(kTryPauseMs);
        // It may have ended meanwhile, leaving the place to this start.
        if (lock_.tryLock(0)) return Start::Serve;
    }
    *message = "the running reader (" + address_.lock.toStdString() + ") does not answer";
    return Start::Alone;
}

bool OneReader::Listen(Handler handler, std::string* message) {
    handler_ = std::move(handler);
    // A socket left behind is a dead reader's: the lock says none runs.
    QLocalServer::removeServer(address_.socket);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_.listen(address_.socket)) {
        *message = "cannot listen on " + address_.socket.toStdString() + ": " +
                   server_.errorString().toStdString();
        return false;
    }
    connect(&server_, &QLocalServer::newConnection, this, &OneReader::Accept);
    return true;
}

void OneReader::Accept() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // A client that says nothing useful in time is dropped.
        QTimer::singleShot(kRequestTimeoutMs, socket, [socket] { socket->abort(); });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->bytesAvailable() > kMaxRequestBytes) {
                socket->abort();
                return;
            }
            QDataStream in(socket);
            in.setVersion(kStreamVersion);
            in.startTransaction();
            quint32 magic = 0;
            bool hasBook = false;
            QByteArray path;
            in >> magic >> hasBook >> path;
            if (!in.commitTransaction()) return;  // the rest is still on its way
            if (magic != kRequestMagic) {
                socket->abort();
                return;
            }
            std::optional<std::filesystem::path> book;
            if (hasBook) book = std::filesystem::path(path.toStdString());
            const std::string refusal = handler_(book);
            QByteArray answer;
            QDataStream out(&answer, QIODevice::WriteOnly);
            out.setVersion(kStreamVersion);
            out << QByteArray::fromStdString(refusal);
            socket->write(answer);
            socket->disconnectFromServer();
        });
    }
}

}  // namespace inkvista
