// The monkey: random scripts from fixed seeds, run by the reader in script
// mode over a hostile device, and a check that no file of the user's changed
// except as the commands asked. Every hostile device is one table below.
//
//   monkey INKVISTA WORKDIR DEVICE [COMMANDS]
//
// For each seed a fresh device is made in WORKDIR/SEED, its files are taken
// stock of, a script of COMMANDS commands (default 150) is run, and the
// files are compared with the stock:
//   - bytes may change only in the reader's own files (InkVISTA.bmk,
//     InkVISTA.opt, the registry);
//   - a book may go only when the run asked for it: moved to the desktop
//     trash, unchanged, after "Do you really want to delete this file ?", or
//     deleted outright when it was hidden and the password was reset;
//   - nothing else may go, change its kind or permissions, or be added
//     (a left temporary is a finding), the reader's own files apart;
//   - the reader exits 0, within the time, with no sanitizer report.
// Exit status 0 when every seed passed, 1 otherwise (with the findings).
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "encode/BookWriter.h"
#include "encode/PageEncoder.h"

namespace fs = std::filesystem;

namespace {

// --- the hostile devices ---

enum class Kind {
    Book,        // a grey book of `pages` pages
    HiddenBook,  // the same, with the hidden attribute
    CutBook,     // a book cut short after `pages` bytes
    Bytes,       // the text as it stands
    Junk,        // `pages` random bytes
    Folder,      // an empty folder
    Fifo,        // a named pipe
    ReadOnly,    // takes the write permission from what is there already
    Bookmarks,   // the text in the reader's wide text (UTF-16LE)
};

struct Entry {
    Entry(Kind k, std::string p, int n = 0, std::string t = {})
        : kind(k), path(std::move(p)), pages(n), text(std::move(t)) {}
    Kind kind;
    std::string path;  // relative to the seed's folder; raw bytes
    int pages;
    std::string text;
};

const char kMain[] = "root/My Documents/InkVISTA/";
const char kRegistryHead[] =
    "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Quillmark\\InkVISTA]\n";
// "\Comics" as the registry keeps a UserDir.
const char kUserDirComics[] =
    "\"UserDir\"=hex(1):5c,00,43,00,6f,00,6d,00,69,00,63,00,73,00,00,00\n";

struct Device {
    const char* name;
    std::vector<Entry> entries;
};

std::string Main(const std::string& name) {
    return kMain + name;
}

const std::vector<Device>& Devices() {
    static const std::vector<Device> devices = {
        {"damaged",
         {
             {Kind::Book, Main("good.cmb"), 3},
             {Kind::Book, Main("two.cxb"), 2},
             {Kind::CutBook, Main("cut.cmb"), 150},
             {Kind::CutBook, Main("table.cxb"), 130},
             {Kind::Junk, Main("junk.cmb"), 400},
             {Kind::Bytes, Main("empty.cxb"), 0, ""},
             {Kind::Folder, Main("x.cmb")},
             {Kind::Fifo, Main("fifo.cmb")},
             {Kind::HiddenBook, Main("secret.cmb"), 2},
             {Kind::Junk, Main("InkVISTA.bmk"), 77},
             {Kind::Junk, Main("InkVISTA.opt"), 7},
             {Kind::Book, "root/Comics/u.cmb", 2},
             {Kind::Bookmarks, "root/Comics/InkVISTA.bmk", 0,
              "u.cmb\t9999999999\nu.cmb\t-4\nu.cmb"},
             {Kind::Book, "cards/SD/InkVISTA/card.cmb", 4},
             {Kind::Bookmarks, "cards/SD/InkVISTA/InkVISTA.bmk", 0, "card.cmb\t3\n"},
             {Kind::Book, "cards/RO/InkVISTA/ro.cmb", 2},
             {Kind::Book, "cards/RO/InkVISTA/ro2.cxb", 2},
             {Kind::ReadOnly, "cards/RO/InkVISTA/ro2.cxb"},
             {Kind::ReadOnly, "cards/RO/InkVISTA"},
             {Kind::Bytes, "registry.reg", 0, std::string(kRegistryHead) + kUserDirComics},
         }},
        // Names that are hard on the bookmark lines: a tab and a line feed
        // (the line's own separators), a leading dash, a long name.
        {"names",
         {
             {Kind::Book, Main("plain.cmb"), 2},
             {Kind::Book, Main("tab\tin.cmb"), 2},
             {Kind::Book, Main("new\nline.cmb"), 2},
             {Kind::HiddenBook, Main("hidden\tname.cmb"), 2},
             {Kind::Book, Main("-dash.cxb"), 2},
             {Kind::Book, Main(std::string(200, 'n') + ".cmb"), 2},
             {Kind::Bookmarks, Main("InkVISTA.bmk"), 0, "new\nline.cmb\t1\ntab\tin.cmb\t1\n"},
             {Kind::Bytes, "registry.reg", 0, kRegistryHead},
         }},
        // Host names that the device's names do not map one to one: a
        // backslash (read as a separator, "..\" as going up) and bytes that
        // are not UTF-8 (Korean names in CP949, which all become U+FFFD).
        {"mapping",
         {
             {Kind::Book, Main("keep.cmb"), 2},
             {Kind::HiddenBook, Main("old\\..\\keep.cmb"), 2},
             {Kind::Book, Main("back\\slash.cmb"), 2},
             {Kind::HiddenBook, Main("\xb9\xd9.cmb"), 2},
             {Kind::Book, Main("\xb4\xde.cmb"), 3},
             {Kind::Book, "cards/SD/InkVISTA/\xc7\xd1.cmb", 2},
             {Kind::Book, "cards/SD/InkVISTA/\xc7\xd2.cmb", 2},
             {Kind::Bytes, "registry.reg", 0, kRegistryHead},
         }},
    };
    return devices;
}

// --- making a device ---

std::optional<inkvista::encode::PagePlan> MakePage(uint32_t w, uint32_t h, int page) {
    std::vector<uint8_t> codes(static_cast<size_t>(w) * h);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            codes[static_cast<size_t>(y) * w + x] =
                static_cast<uint8_t>((x / 16 + y / 16 + static_cast<uint32_t>(page)) % 3);
        }
    }
    const std::array<uint8_t, 8> levels = {0xFF, 0x30, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80};
    return inkvista::encode::GreyPageFromCodes(codes.data(), w, h, w, levels);
}

bool MakeBook(const fs::path& file, int pages) {
    inkvista::encode::BookPlan plan;
    plan.kind = file.extension() == ".cxb" ? inkvista::BookKind::Cxb : inkvista::BookKind::Cmb;
    plan.title = file.stem().string();
    plan.author = "monkey";
    for (int i = 0; i < pages; ++i) {
        auto page = MakePage(240, 336, i);
        if (!page) return false;
        plan.pages.push_back(std::move(*page));
    }
    return inkvista::encode::WriteBook(file.string(), plan);
}

bool WriteBytes(const fs::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
    return static_cast<bool>(out.flush());
}

std::string ReadBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool Make(const fs::path& base, const Entry& entry, std::mt19937& random) {
    const fs::path file = base / entry.path;
    std::error_code ec;
    if (entry.kind != Kind::ReadOnly) fs::create_directories(file.parent_path(), ec);
    switch (entry.kind) {
        case Kind::Book:
            return MakeBook(file, entry.pages);
        case Kind::HiddenBook:
            return MakeBook(file, entry.pages) &&
                   setxattr(file.c_str(), "user.DOSATTRIB", "0x2", 3, 0) == 0;
        case Kind::CutBook: {
            if (!MakeBook(file, 2)) return false;
            return WriteBytes(file, ReadBytes(file).substr(0, static_cast<size_t>(entry.pages)));
        }
        case Kind::Bytes:
            return WriteBytes(file, entry.text);
        case Kind::Junk: {
            std::string bytes(static_cast<size_t>(entry.pages), '\0');
            for (char& c : bytes) c = static_cast<char>(random() & 0xff);
            return WriteBytes(file, bytes);
        }
        case Kind::Folder:
            return fs::create_directories(file, ec);
        case Kind::Fifo:
            return mkfifo(file.c_str(), 0644) == 0;
        case Kind::ReadOnly:
            fs::permissions(
                file, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                fs::perm_options::remove, ec);
            return !ec;
        case Kind::Bookmarks: {
            const QString text =
                QString::fromUtf8(entry.text.data(), static_cast<qsizetype>(entry.text.size()));
            std::string bytes;
            for (const QChar c : text) {
                bytes.push_back(static_cast<char>(c.unicode() & 0xff));
                bytes.push_back(static_cast<char>(c.unicode() >> 8));
            }
            return WriteBytes(file, bytes);
        }
    }
    return false;
}

// --- the stock of files ---

struct Item {
    mode_t mode = 0;  // kind and permissions
    QByteArray hash;  // of a regular file's bytes
};
using Stock = std::map<std::string, Item>;  // path relative to the seed's folder

QByteArray HashOf(const fs::path& file) {
    const std::string bytes = ReadBytes(file);
    return QCryptographicHash::hash(QByteArray::fromStdString(bytes), QCryptographicHash::Sha1);
}

void Add(Stock& stock, const fs::path& base, const fs::path& file) {
    struct stat info {};
    if (lstat(file.c_str(), &info) != 0) return;
    Item item;
    item.mode = info.st_mode;
    if (S_ISREG(info.st_mode)) item.hash = HashOf(file);
    stock[fs::relative(file, base).string()] = item;
}

// Everything of the device: the root and the cards, and beside them the
// registry with whatever the reader leaves next to it. Links are not
// followed and nothing but regular files is opened (a FIFO would wait for a
// writer). The monkey's own files (the script, the state dumps, the trash's
// folder) are not the user's.
Stock TakeStock(const fs::path& base) {
    Stock stock;
    std::error_code ec;
    for (const auto& top : fs::directory_iterator(base, ec)) {
        const std::string name = top.path().filename().string();
        if (name == "data" || name == "monkey.script" || top.path().extension() == ".json") {
            continue;
        }
        Add(stock, base, top.path());
        if (!top.is_directory() || top.is_symlink()) continue;
        for (auto it = fs::recursive_directory_iterator(
                 top.path(), fs::directory_options::skip_permission_denied, ec);
             it != fs::recursive_directory_iterator(); it.increment(ec)) {
            Add(stock, base, it->path());
        }
    }
    return stock;
}

// The reader's own files, which it may write, create and replace.
bool ReadersOwn(const std::string& path) {
    const std::string name = fs::path(path).filename().string();
    return name == "InkVISTA.bmk" || name == "InkVISTA.opt" || path == "registry.reg";
}

bool IsBook(const std::string& path) {
    const std::string ext = fs::path(path).extension().string();
    return ext == ".cmb" || ext == ".cxb";
}

std::string Shown(const std::string& path) {
    std::string out;
    for (unsigned char c : path) {
        if (c >= 0x20 && c < 0x7f && c != '\\') {
            out.push_back(static_cast<char>(c));
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        }
    }
    return out;
}

// --- the scripts ---

// Places worth a tap: the home screen's buttons, list rows, the Options
// dialog's buttons and boxes, the Password Setting dialog's buttons. Not the
// close box: confirmed, it would end the run before its end, and what the
// boxes of the run said would be unknown.
constexpr std::array<std::array<int, 2>, 21> kSpots = {{
    {100, 58}, {150, 55},  {200, 55},                          // Key, Option, About
    {60, 106}, {60, 125},  {60, 144},  {60, 163},  {60, 182},  // rows
    {60, 248}, {175, 248}, {195, 96},  {15, 94},   {120, 55},  // Options
    {20, 66},  {195, 123}, {20, 161},  {150, 185},             // Options
    {37, 175}, {102, 175}, {168, 175},                         // Password Setting
    {66, 262},                                                 // a dialog's lower edge
}};

class ScriptWriter {
  public:
    ScriptWriter(uint32_t seed, const std::vector<std::string>& cards) : random_(seed) {
        for (const auto& card : cards) cards_[card] = false;
    }

    std::string Write(int commands) {
        while (count_ < commands) Action();
        out_ += "state final.json\n";
        return out_;
    }

  private:
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    void Line(const std::string& line) {
        out_ += line + "\n";
        ++count_;
    }
    std::string Point(int x, int y) {
        x = std::clamp(x + Pick(5) - 2, 0, 239);
        y = std::clamp(y + Pick(5) - 2, 0, 319);
        return std::to_string(x) + " " + std::to_string(y);
    }
    std::string Spot() {
        const auto& s = kSpots[static_cast<size_t>(Pick(kSpots.size()))];
        return Point(s[0], s[1]);
    }
    std::string Anywhere() {
        int x = 0, y = 0;
        do {
            x = Pick(240);
            y = Pick(320);
        } while (x > 210 && y < 30);  // the close box
        return Point(x, y);
    }

    void Action() {
        static const char* const kKeys[] = {"left", "right", "up", "down", "enter",
                                            "27",   "33",    "34", "35",   "36"};
        switch (Pick(17)) {
            case 0:
            case 1:
            case 2:
                Line("tap " + Spot());
                break;
            case 3:
                Line("tap " + Anywhere());
                break;
            case 4:
                Line("dtap " + Point(60, 106 + 19 * Pick(5)));
                break;
            case 5: {  // a held row: the popup, then Info, Open or Delete (not
                       // Hide: a book hidden by the run may go with a reset)
                const int x = 40 + Pick(60);
                const int y = 106 + 19 * Pick(5);
                const std::string at = std::to_string(x) + " " + std::to_string(y);
                Line("down " + at);
                Line("wait 1000");
                Line("up " + at);
                Line("tap " + Point(x + 30, y + 12 + 22 * Pick(3)));
                break;
            }
            case 6: {  // a drag
                Line("down " + Anywhere());
                for (int i = Pick(3); i >= 0; --i) Line("move " + Anywhere());
                Line("up " + Anywhere());
                break;
            }
            case 7:
            case 8:
                Line(std::string("key ") + kKeys[Pick(std::size(kKeys))]);
                break;
            case 9:
                Line("button " + std::to_string(1 + Pick(4)));
                break;
            case 10:
                Line("wait " + std::to_string(Pick(4) * 700));
                break;
            case 11:
                // Mostly Cancel, so that the close box rarely ends the run.
                Line(Pick(3) == 0 ? "answer ok" : "answer cancel");
                break;
            case 12:
                Line(Pick(2) ? "deactivate" : "activate");
                break;
            case 13:
            case 14: {  // a card comes or goes, also while its book is read
                if (cards_.empty()) break;
                auto it = std::next(cards_.begin(), Pick(static_cast<int>(cards_.size())));
                const std::string& name = it->first;
                const bool quiet = Pick(4) == 0;
                if (it->second) {
                    Line(std::string("card ") + (quiet ? "unmount " : "remove ") + name);
                } else {
                    Line(std::string("card ") + (quiet ? "mount " : "insert ") + name + " cards/" +
                         name);
                }
                it->second = !it->second;
                break;
            }
            case 15:
                Line("state s" + std::to_string(count_) + ".json");
                break;
            case 16:  // from the home screen: Option, Password, Reset, then OK
                Line("tap " + Point(150, 55));
                Line("tap " + Point(195, 96));
                Line("tap " + Point(168, 175));
                Line("tap " + Point(60, 248));
                break;
        }
    }

    std::mt19937 random_;
    std::map<std::string, bool> cards_;  // name -> inserted now
    std::string out_;
    int count_ = 0;
};

// --- one seed ---

int failures = 0;

void Finding(const std::string& where, const std::string& what) {
    std::fprintf(stderr, "%s: %s\n", where.c_str(), what.c_str());
    ++failures;
}

QStringList MessagesOf(const fs::path& state) {
    QFile file(QString::fromStdString(state.string()));
    QStringList out;
    if (!file.open(QIODevice::ReadOnly)) return out;
    for (const auto& v : QJsonDocument::fromJson(file.readAll()).object()["messages"].toArray())
        out << v.toString();
    return out;
}

void RunSeed(const fs::path& reader, const fs::path& work, const Device& device, uint32_t seed,
             int commands) {
    const std::string where = std::string(device.name) + " seed " + std::to_string(seed);
    const fs::path base = work / std::to_string(seed);
    std::error_code ec;
    fs::remove_all(base, ec);
    fs::create_directories(base / "root/My Documents", ec);
    fs::create_directories(base / "data", ec);
    std::mt19937 random(seed);
    std::vector<std::string> cards;
    for (const Entry& entry : device.entries) {
        if (!Make(base, entry, random)) {
            Finding(where, "cannot make " + Shown(entry.path));
            return;
        }
        if (entry.path.rfind("cards/", 0) == 0) {
            const std::string card = entry.path.substr(6, entry.path.find('/', 6) - 6);
            if (std::find(cards.begin(), cards.end(), card) == cards.end()) cards.push_back(card);
        }
    }
    const Stock before = TakeStock(base);

    const std::string script = ScriptWriter(seed, cards).Write(commands);
    WriteBytes(base / "monkey.script", script);
    QProcess run;
    run.setWorkingDirectory(QString::fromStdString(base.string()));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_DATA_HOME", QString::fromStdString((base / "data").string()));
    run.setProcessEnvironment(environment);
    run.start(QString::fromStdString(reader.string()),
              {"--script", "monkey.script", "--root", "root", "--registry", "registry.reg"});
    if (!run.waitForFinished(300000)) {
        run.kill();
        run.waitForFinished();
        Finding(where, "the reader did not finish (script in " + base.string() + ")");
        return;
    }
    const QByteArray err = run.readAllStandardError();
    const int status = run.exitStatus() == QProcess::NormalExit ? run.exitCode() : -1;
    if (status != 0 || err.contains("Sanitizer") || err.contains("runtime error")) {
        Finding(where, "the reader ended with status " + std::to_string(status) + " (script in " +
                           base.string() + "):\n" + err.toStdString());
    }

    // What the run asked for, as its message boxes tell.
    QStringList messages;
    for (const auto& file : fs::directory_iterator(base, ec)) {
        if (file.path().extension() == ".json") messages << MessagesOf(file.path());
    }
    const bool deleteAsked = messages.contains("Do you really want to delete this file ?");
    const bool resetAsked =
        messages.contains("Resetting password will remove all hidden CMB files. Continue ?");
    // What the trash holds, by content (by kind and name for what is not a
    // regular file).
    const auto identity = [](const std::string& path, const Item& item) {
        return S_ISREG(item.mode) ? item.hash
                                  : QByteArray::number(item.mode & S_IFMT) + "/" +
                                        QByteArray::fromStdString(fs::path(path).filename());
    };
    std::multiset<QByteArray> trashed;
    Stock trash;
    for (auto it = fs::recursive_directory_iterator(base / "data" / "Trash" / "files", ec);
         it != fs::recursive_directory_iterator(); it.increment(ec)) {
        Add(trash, base, it->path());
    }
    for (const auto& [path, item] : trash) trashed.insert(identity(path, item));
    if (!fs::exists(base / "final.json")) Finding(where, "the run ended before its last command");
    std::set<std::string> hidden;
    for (const Entry& entry : device.entries) {
        if (entry.kind == Kind::HiddenBook) hidden.insert(entry.path);
    }

    const Stock after = TakeStock(base);
    for (const auto& [path, was] : before) {
        const auto now = after.find(path);
        if (now == after.end()) {
            if (IsBook(path) && deleteAsked && trashed.count(identity(path, was)) > 0) {
                trashed.erase(trashed.find(identity(path, was)));
            } else if (IsBook(path) && resetAsked && hidden.count(path)) {
                // A reset removes hidden books for good.
            } else if (!ReadersOwn(path)) {
                Finding(where, "lost " + Shown(path));
            }
            continue;
        }
        if ((now->second.mode & S_IFMT) != (was.mode & S_IFMT)) {
            Finding(where, "changed kind: " + Shown(path));
        } else if (now->second.mode != was.mode && !ReadersOwn(path)) {
            Finding(where, "changed permissions: " + Shown(path));
        } else if (now->second.hash != was.hash && !ReadersOwn(path)) {
            Finding(where, "changed bytes: " + Shown(path));
        }
    }
    for (const auto& [path, item] : after) {
        if (before.count(path) || ReadersOwn(path)) continue;
        // The reader makes its book folders where they are missing.
        if (S_ISDIR(item.mode) && fs::path(path).filename() == "InkVISTA") continue;
        Finding(where, "left behind: " + Shown(path));
    }
    std::fprintf(stderr, "%s: %d commands, %d boxes%s%s\n", where.c_str(), commands,
                 static_cast<int>(messages.size()), deleteAsked ? ", a delete" : "",
                 resetAsked ? ", a reset" : "");
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: monkey INKVISTA WORKDIR DEVICE [COMMANDS]\n");
        return 2;
    }
    const fs::path reader = fs::absolute(argv[1]);
    const fs::path work = fs::absolute(argv[2]);
    const std::string name = argv[3];
    const int commands = argc == 5 ? std::atoi(argv[4]) : 150;
    for (const Device& device : Devices()) {
        if (device.name != name) continue;
        const char* seeds = std::getenv("MONKEY_SEEDS");
        const int count = seeds ? std::atoi(seeds) : 3;
        for (int seed = 1; seed <= count; ++seed) {
            RunSeed(reader, work, device, static_cast<uint32_t>(seed), commands);
        }
        return failures ? 1 : 0;
    }
    std::fprintf(stderr, "no device '%s'\n", name.c_str());
    return 2;
}
