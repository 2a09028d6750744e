// inkvista-tool as a user runs it: what it writes, what it leaves behind,
// and what it shows on a terminal.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <fstream>
#include <sstream>

#include "ToolTestSupport.h"
#include "bookwriter/PackInto.h"
#include "encode/BookWriter.h"
#include "encode/PageEncoder.h"

namespace inkvista {
namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string Slurp(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

class ToolFiles : public testing::BookFolderTest {
  protected:
    Outcome Tool(const std::vector<std::string>& args, const std::string& env = "") {
        std::string cmd = env + " " + Quote(INKVISTA_TOOL_PATH);
        for (const std::string& a : args) cmd += " " + Quote(a);
        const fs::path out = Dir() / "stdout.txt", err = Dir() / "stderr.txt";
        cmd += " >" + Quote(out.string()) + " 2>" + Quote(err.string());
        Outcome r;
        const int raw = std::system(cmd.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = Slurp(out);
        r.err = Slurp(err);
        return r;
    }

    // Runs the tool on a terminal and answers all it showed there.
    std::string OnTerminal(const std::vector<std::string>& args) {
        std::vector<std::string> all = {INKVISTA_TOOL_PATH};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        int master = -1;
        const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
        if (pid == 0) {
            execv(argv[0], argv.data());
            _exit(127);
        }
        std::string shown;
        char buffer[4096];
        for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;) shown.append(buffer, n);
        close(master);
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << shown;
        return shown;
    }

    // A grey book of `pages` pages of w × h, every page a different picture.
    std::string Book(const std::string& name, int pages, int w, int h) {
        encode::BookPlan plan;
        plan.kind = name.ends_with(".cxb") ? BookKind::Cxb : BookKind::Cmb;
        for (int i = 0; i < pages; ++i) {
            std::vector<uint8_t> grey(static_cast<size_t>(w * h),
                                      static_cast<uint8_t>(36 * (i % 7)));
            plan.pages.push_back(*encode::GreyPage(grey.data(), static_cast<uint32_t>(w),
                                                   static_cast<uint32_t>(h),
                                                   static_cast<size_t>(w)));
        }
        const std::string path = PathOf(name);
        EXPECT_TRUE(encode::WriteBook(path, plan));
        return path;
    }
};

TEST_F(ToolFiles, AFailedExportLeavesFilesAndFoldersAsTheyWere) {
    encode::BookPlan plan;
    std::vector<uint8_t> grey(16, 219);
    plan.pages.push_back(*encode::GreyPage(grey.data(), 4, 4, 4));
    plan.pages.push_back(plan.pages[0]);
    plan.pages[0].record = "ZZ";  // the first page cannot be read
    ASSERT_TRUE(encode::WriteFile(PathOf("bad.cmb"), encode::BuildBook(plan)));

    // A good picture already at OUT stays as it was.
    std::ofstream(PathOf("keep.png"), std::ios::binary) << "precious";
    Outcome r = Tool({"export", PathOf("bad.cmb"), "0", PathOf("keep.png")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Slurp(PathOf("keep.png")), "precious");

    // --all that fails at its first page leaves no folder it made; the
    // progress counts as the files are named.
    r = Tool({"export", PathOf("bad.cmb"), "--all", PathOf("new/pages")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("stopped at page 1 (001.png)"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(PathOf("new")));
    // A folder that was there stays.
    fs::create_directory(PathOf("mine"));
    EXPECT_EQ(Tool({"export", PathOf("bad.cmb"), "--all", PathOf("mine")}).status, 1);
    EXPECT_TRUE(fs::is_directory(PathOf("mine")));

    // A failure after the first page keeps the pages written before it.
    plan.pages[0].record = "CX";
    plan.pages[1].record = "ZZ";
    ASSERT_TRUE(encode::WriteFile(PathOf("late.cmb"), encode::BuildBook(plan)));
    r = Tool({"export", PathOf("late.cmb"), "--all", PathOf("late")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("stopped at page 2 (002.png)"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::exists(PathOf("late/001.png")));
    EXPECT_FALSE(fs::exists(PathOf("late/002.png")));
    for (const auto& entry : fs::directory_iterator(PathOf("late")))
        EXPECT_EQ(entry.path().filename(), "001.png");
}

TEST_F(ToolFiles, ExportAllRefusesUpFrontWhatWouldPassItsOutputLimit) {
    // 65535 pages over one 600 × 800 page: a small file, tens of gigabytes
    // of pictures.
    encode::BookPlan plan;
    std::vector<uint8_t> grey(600 * 800, 255);
    const encode::PagePlan page = *encode::GreyPage(grey.data(), 600, 800, 600);
    const size_t count = 0xFFFF;
    std::vector<uint8_t> bytes = encode::BuildHeader(plan, count);
    const uint32_t at = static_cast<uint32_t>(bytes.size() + 4 * count);
    const std::vector<uint8_t> table = encode::BuildOffsetTable(std::vector<uint32_t>(count, at));
    bytes.insert(bytes.end(), table.begin(), table.end());
    const std::vector<uint8_t> record = encode::BuildPageRecord(page);
    bytes.insert(bytes.end(), record.begin(), record.end());
    bytes.insert(bytes.end(), page.packed.begin(), page.packed.end());
    ASSERT_TRUE(encode::WriteFile(PathOf("many.cmb"), bytes));

    Outcome r = Tool({"export", PathOf("many.cmb"), "--all", PathOf("out")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("65535 pages could take up to"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("4.0 GiB"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(PathOf("out")));

    // The limit is the user's: a small book passes by default and is
    // refused below its size; the estimate holds what is really written.
    const std::string small = Book("small.cmb", 3, 100, 80);
    r = Tool({"export", small, "--all", PathOf("tight"), "--max-output", "1k"});
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(fs::exists(PathOf("tight")));
    r = Tool({"export", small, "--all", PathOf("fine"), "--max-output", "0.05M"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(std::distance(fs::directory_iterator(PathOf("fine")), {}), 3);
}

TEST_F(ToolFiles, ThumbnailsFitTheirSizeAndKeepTheProportions) {
    const std::string book = Book("tall.cxb", 2, 600, 900);
    Outcome r = Tool({"thumbnail", book, PathOf("t.png")});
    ASSERT_EQ(r.status, 0) << r.err;
    QImage t(QString::fromStdString(PathOf("t.png")));
    EXPECT_EQ(t.height(), 256);
    EXPECT_NEAR(t.width(), 256 * 600 / 900, 1);
    EXPECT_EQ(qGray(t.pixel(t.width() / 2, t.height() / 2)), 0);  // the first page is black

    ASSERT_EQ(Tool({"thumbnail", book, PathOf("t.png"), "64"}).status, 0);
    t = QImage(QString::fromStdString(PathOf("t.png")));
    EXPECT_EQ(t.height(), 64);
    EXPECT_NEAR(t.width(), 64 * 600 / 900, 1);

    // A page smaller than the size keeps its own; a copy under another name
    // is known by its header, as file managers hand such copies over.
    const std::string little = Book("little.cmb", 1, 100, 80);
    fs::copy_file(little, PathOf("copy-of-book"));
    r = Tool({"thumbnail", PathOf("copy-of-book"), PathOf("l.png"), "128"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(QImage(QString::fromStdString(PathOf("l.png"))).size(), QSize(100, 80));
    std::ofstream(PathOf("not-a-book"), std::ios::binary) << "hello";
    EXPECT_EQ(Tool({"thumbnail", PathOf("not-a-book"), PathOf("n.png")}).status, 1);
    EXPECT_FALSE(fs::exists(PathOf("n.png")));
}

TEST_F(ToolFiles, NothingIsLeftInTheTemporaryFolder) {
    const std::string book = Book("b.cmb", 2, 40, 30);
    const fs::path temp = Dir() / "tmp";
    fs::create_directory(temp);
    const std::string env = "TMPDIR=" + Quote(temp.string());
    EXPECT_EQ(Tool({"info", book}, env).status, 0);
    EXPECT_EQ(Tool({"export", book, "1", PathOf("p.pgm")}, env).status, 0);
    EXPECT_EQ(Tool({"thumbnail", book, PathOf("t.png")}, env).status, 0);
    EXPECT_TRUE(fs::is_empty(temp));

    // A pipe named like a book is refused at once rather than waited on.
    ASSERT_EQ(mkfifo(PathOf("pipe.cmb").c_str(), 0600), 0);
    const Outcome r = Tool({"info", PathOf("pipe.cmb")}, env);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("not a regular file"), std::string::npos) << r.err;
}

TEST_F(ToolFiles, ACancelledBookLeavesNothingInItsFolder) {
    const fs::path pictures = Dir() / "Night Watch";
    fs::create_directories(pictures);
    for (int i = 0; i < 4; ++i) {
        QImage picture(40, 60, QImage::Format_Grayscale8);
        picture.fill(50 * i);
        ASSERT_TRUE(picture.save(
            QString::fromStdString((pictures / ("p" + std::to_string(i) + ".png")).string())));
    }
    bookwriter::PackOptions options;
    const bookwriter::PackGiven given;
    bookwriter::SettleDefaults(given, &options);
    // Cancelled before the first picture, and after two were in.
    for (const int askedBeforeCancel : {0, 2}) {
        const fs::path out = Dir() / ("out" + std::to_string(askedBeforeCancel));
        fs::create_directory(out);
        int asked = 0;
        const bookwriter::IntoRequest request{pictures.string(),
                                              out.string(),
                                              false,
                                              [&] { return asked++ >= askedBeforeCancel; },
                                              {}};
        std::string book, error;
        EXPECT_EQ(bookwriter::PackInto(request, options, given, &book, &error),
                  bookwriter::IntoOutcome::Cancelled);
        EXPECT_GT(asked, askedBeforeCancel);
        EXPECT_TRUE(fs::is_empty(out)) << askedBeforeCancel;
    }
}

TEST_F(ToolFiles, ProgressShowsOnATerminalOnly) {
    QImage picture(20, 30, QImage::Format_RGB32);
    picture.fill(qRgb(90, 90, 90));
    const std::string a = PathOf("a.png");
    ASSERT_TRUE(picture.save(QString::fromStdString(a)));
    const std::string shown = OnTerminal({"pack", PathOf("p.cmb"), a, a, a});
    EXPECT_NE(shown.find("page 2 of 3"), std::string::npos) << shown;
    EXPECT_NE(shown.find("3 pages written to"), std::string::npos) << shown;
    const std::string exported = OnTerminal({"export", PathOf("p.cmb"), "--all", PathOf("e")});
    EXPECT_NE(exported.find("page 3 of 3"), std::string::npos) << exported;

    const Outcome r = Tool({"pack", PathOf("q.cmb"), a, a});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
}

}  // namespace
}  // namespace inkvista
