// The reader as a user starts it: real processes on a scratch device, with a
// runtime folder of their own.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "AppTestSupport.h"
#include "models/LibraryBookmarks.h"
#include "support/TestDevice.h"

namespace inkvista {
namespace {

namespace fs = std::filesystem;

constexpr int kPatienceMs = 20000;

std::string ReadFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Lines(std::initializer_list<std::pair<std::u16string, int>> lines) {
    std::string bytes;
    for (const auto& [name, page] : lines) AppendBookmarkLine(bytes, name, page);
    return bytes;
}

bool WaitFor(const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > kPatienceMs) return false;
        QThread::msleep(20);
    }
    return true;
}

class ReaderProcess : public ::testing::Test {
  protected:
    void SetUp() override {
        test::App();
        run_ = scratch_.base() / "run";
        fs::create_directories(run_);
        fs::permissions(run_, fs::perms::owner_all);
        main_ = scratch_.root() / "My Documents" / "InkVISTA";
        outside_ = scratch_.base() / "outside";
        ASSERT_TRUE(test::WriteTestBook(main_ / "x.cmb", 4, 200, 250, "X"));
        ASSERT_TRUE(test::WriteTestBook(outside_ / "y.cmb", 3, 200, 250, "Y"));
    }
    // A reader on the scratch device with `args` after the device options.
    std::unique_ptr<QProcess> Start(QStringList args) {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(run_.string()));
        environment.insert("XDG_DATA_HOME",
                           QString::fromStdString((scratch_.base() / "data").string()));
        process->setProcessEnvironment(environment);
        process->setWorkingDirectory(QString::fromStdString(scratch_.base().string()));
        args = QStringList{"--root", QString::fromStdString(scratch_.root().string()), "--registry",
                           QString::fromStdString((scratch_.base() / "registry.reg").string())} +
               args;
        process->start(INKVISTA_READER_PATH, args);
        EXPECT_TRUE(process->waitForStarted());
        return process;
    }
    // The reader listens for later starts.
    bool Serving() { return !Listed("*.socket").isEmpty(); }
    // Start-up is over once a start that only asks it to come to the front
    // has been answered.
    bool UpAndRunning() {
        if (!WaitFor([&] { return Serving(); })) return false;
        auto raise = Start({});
        return Finish(*raise) == 0;
    }
    // The process that holds the lock (the first line of its file), or 0.
    qint64 LockHolder() {
        const QStringList locks = Listed("*.lock");
        if (locks.size() != 1) return 0;
        return QString::fromStdString(ReadFile(run_ / locks[0].toStdString()))
            .section('\n', 0, 0)
            .toLongLong();
    }
    QStringList Listed(const QString& pattern) {
        return QDir(QString::fromStdString(run_.string()))
            .entryList({pattern}, QDir::Files | QDir::System);
    }
    static int Finish(QProcess& process) {
        EXPECT_TRUE(process.waitForFinished(kPatienceMs));
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    static QString Path(const fs::path& path) { return QString::fromStdString(path.string()); }

    TestDevice scratch_;
    fs::path run_, main_, outside_;
};

// A second start hands its book over and ends; the running reader closes its
// book (keeping the page), opens the handed one, and keeps that one's page
// when SIGTERM ends it. A script run on the same device is a program of its
// own all the same.
TEST_F(ReaderProcess, ASecondStartHandsItsBookToTheRunningReader) {
    std::ofstream(main_ / "InkVISTA.bmk", std::ios::binary) << Lines({{u"x.cmb", 2}});
    auto reader = Start({Path(main_ / "x.cmb")});
    ASSERT_TRUE(UpAndRunning());

    std::ofstream(scratch_.base() / "s.script") << "state s.json\n";
    auto script = Start({"--script", Path(scratch_.base() / "s.script")});
    EXPECT_EQ(Finish(*script), 0);
    EXPECT_NE(ReadFile(scratch_.base() / "s.json").find("\"screenState\": 2"), std::string::npos);

    // Only what the running reader writes from now on is seen.
    fs::remove(main_ / "InkVISTA.bmk");
    auto second = Start({Path(outside_ / "y.cmb")});
    EXPECT_EQ(Finish(*second), 0);
    ASSERT_TRUE(WaitFor([&] { return fs::exists(outside_ / "InkVISTA.bmk"); }));
    EXPECT_EQ(ReadFile(main_ / "InkVISTA.bmk"), Lines({{u"x.cmb", 2}}));
    EXPECT_EQ(reader->state(), QProcess::Running);

    fs::remove(outside_ / "InkVISTA.bmk");
    reader->terminate();  // SIGTERM
    EXPECT_EQ(Finish(*reader), 0);
    EXPECT_EQ(ReadFile(outside_ / "InkVISTA.bmk"), Lines({{u"y.cmb", 0}}));
}

// The socket and lock of a reader that was killed do not keep the next one
// from serving, nor send later starts into the void.
TEST_F(ReaderProcess, AKilledReadersSocketIsTakenOver) {
    auto killed = Start({});
    ASSERT_TRUE(WaitFor([&] { return Serving(); }));
    killed->kill();  // SIGKILL: nothing is cleaned
    Finish(*killed);
    ASSERT_TRUE(Serving());

    auto reader = Start({Path(main_ / "x.cmb")});
    ASSERT_TRUE(WaitFor([&] { return LockHolder() == reader->processId(); }));
    EXPECT_TRUE(UpAndRunning());
    EXPECT_EQ(reader->state(), QProcess::Running);
    reader->terminate();
    EXPECT_EQ(Finish(*reader), 0);
    EXPECT_FALSE(Serving());
}

// What a client on the reader's socket is answered, given `request` in
// pieces: the answer's bytes, empty when the reader hung up without one.
std::string Exchange(const fs::path& socketPath, const std::vector<std::string>& request) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    std::string answer;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        for (const std::string& piece : request) {
            ::send(fd, piece.data(), piece.size(), MSG_NOSIGNAL);
            QThread::msleep(50);
        }
        char chunk[512];
        pollfd wait{fd, POLLIN, 0};
        while (::poll(&wait, 1, kPatienceMs) > 0) {
            const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
            if (n <= 0) break;
            answer.append(chunk, n);
        }
    }
    ::close(fd);
    return answer;
}

// A stray client is hung up on; a request that comes in pieces is answered
// whole; the reader serves on through both.
TEST_F(ReaderProcess, StrayClientsAreDroppedAndRequestsInPiecesAnswered) {
    auto reader = Start({});
    ASSERT_TRUE(UpAndRunning());
    const fs::path socketPath = run_ / Listed("*.socket").front().toStdString();
    EXPECT_EQ(Exchange(socketPath, {"GET / HTTP/1.0\r\n\r\n"}), "");
    // "IKV1", a book, its path as QDataStream writes them.
    const std::string path = (scratch_.base() / "notes.txt").string();
    std::ofstream(scratch_.base() / "notes.txt") << "not a book";
    const std::string request =
        std::string("IKV1\x01", 5) + char(0) + char(0) + char(0) + char(path.size()) + path;
    const std::string answer = Exchange(socketPath, {request.substr(0, 3), request.substr(3)});
    EXPECT_NE(answer.find("not a book"), std::string::npos) << answer;
    EXPECT_TRUE(UpAndRunning());
    reader->terminate();
    EXPECT_EQ(Finish(*reader), 0);
}

// Standard error is no terminal here, but neither is there a screen to show
// the refusal's box on: the start ends at once with its status, no box
// waiting for an answer that cannot come.
TEST_F(ReaderProcess, ARefusalWithoutAScreenEndsAtOnce) {
    std::ofstream(scratch_.base() / "notes.txt") << "CB radio log, channel 19";
    auto refused = Start({Path(scratch_.base() / "notes.txt")});
    EXPECT_EQ(Finish(*refused), 2);
    EXPECT_TRUE(refused->readAllStandardError().contains("not a book (.cmb or .cxb)"));
}

}  // namespace
}  // namespace inkvista
