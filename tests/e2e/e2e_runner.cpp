// Runs one end-to-end script: prepares a fresh device folder from the
// script's "#!" lines, runs the reader on it in script mode, and checks the
// script's "#?" lines against what the run left behind.
//
//   e2e_runner INKVISTA SCRIPT WORKDIR
//
// Setup lines (paths relative to WORKDIR; the device root is WORKDIR/root):
//   #! book PATH PAGES [WxH] [TITLE...]   a grey book of PAGES pages
//   #! dir PATH                          a folder
//   #! bookmark FOLDER NAME PAGE         a line of FOLDER's bookmark file
//   #! args ARG...                       more reader options ("quotes" group)
//   #! hidden PATH                       give a file the hidden attribute
// Expectation lines:
//   #? exit N                            exit status (default 0)
//   #? stderr TEXT                       standard error contains TEXT
//   #? FILE.json KEY = JSON              KEY like viewer.open or list.rows[0][1]
//   #? missing FILE                      the run did not write FILE
//   #? exists PATH                       the run left PATH (file or folder)
//   #? same A.png B.png [X Y W H]        pixels equal (in the rectangle)
//   #? differ A.png B.png [X Y W H]      pixels differ somewhere (in it)
//   #? pixel A.png X Y #RRGGBB           one pixel's colour
//   #? bytes FILE OFFSET HH...           FILE's bytes from OFFSET, in hex
//   #? contains FILE TEXT                FILE (no blanks) holds the rest of the
//                                        line (`lacks`: does not)
// An image named "@/NAME" is a kept expectation beside the script (in the
// source tree), not a file of the run.
#include <sys/xattr.h>

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <array>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "encode/BookWriter.h"
#include "encode/PageEncoder.h"

namespace fs = std::filesystem;

namespace {

int failures = 0;
// ctest counts this exit status as a skipped test (SKIP_RETURN_CODE).
constexpr int kSkipped = 77;

// A whole decimal number; 0 for anything else (expectations then fail).
int ToInt(const std::string& text) {
    bool ok = false;
    const int v = QString::fromStdString(text).toInt(&ok);
    return ok ? v : 0;
}

void Fail(const std::string& where, const std::string& what) {
    std::fprintf(stderr, "%s: %s\n", where.c_str(), what.c_str());
    ++failures;
}

// Splits at blanks; "..." groups.
std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> out;
    std::string cur;
    bool quoted = false;
    bool any = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (any) out.push_back(cur);
            cur.clear();
            any = false;
        } else {
            cur.push_back(c);
            any = true;
        }
    }
    if (any) out.push_back(cur);
    return out;
}

// A checkerboard of 16-pixel squares, shifted by the page number so every
// page looks different, with a dark frame row at the top and bottom.
std::string ReadWhole(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::optional<inkvista::encode::PagePlan> MakePage(uint32_t w, uint32_t h, int page) {
    std::vector<uint8_t> codes(static_cast<size_t>(w) * h);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            const uint32_t square = (x / 16 + (y + static_cast<uint32_t>(page) * 16) / 16) % 2;
            const bool edge = y < 4 || y + 4 >= h;
            codes[static_cast<size_t>(y) * w + x] = edge ? 1 : static_cast<uint8_t>(square);
        }
    }
    const std::array<uint8_t, 8> levels = {0xFF, 0x30, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80};
    return inkvista::encode::GreyPageFromCodes(codes.data(), w, h, w, levels);
}

bool MakeBook(const fs::path& file, int pages, uint32_t w, uint32_t h, const std::string& title) {
    inkvista::encode::BookPlan plan;
    plan.kind = file.extension() == ".cxb" ? inkvista::BookKind::Cxb : inkvista::BookKind::Cmb;
    plan.title = title;
    plan.chapter = "1";
    plan.author = "InkVISTA tests";
    plan.publisher = "Quillmark";
    for (int i = 0; i < pages; ++i) {
        auto page = MakePage(w, h, i);
        if (!page) return false;
        plan.pages.push_back(std::move(*page));
    }
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    return inkvista::encode::WriteBook(file.string(), plan);
}

// Words from `from` on joined by blanks, with \t and \n for a tab and a
// line feed, written as the whole file in the reader's wide text: UTF-16LE
// without a byte-order mark, as its bookmark files are.
bool WriteText(const fs::path& file, const std::vector<std::string>& words, size_t from) {
    std::string joined;
    for (size_t i = from; i < words.size(); ++i) joined += (i > from ? " " : "") + words[i];
    std::string bytes;
    for (size_t i = 0; i < joined.size(); ++i) {
        if (joined[i] == '\\' && i + 1 < joined.size() &&
            (joined[i + 1] == 't' || joined[i + 1] == 'n')) {
            bytes += joined[++i] == 't' ? '\t' : '\n';
        } else {
            bytes += joined[i];
        }
    }
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    const QString text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    std::ofstream out(file, std::ios::binary);
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        out.put(static_cast<char>(unit & 0xff)).put(static_cast<char>(unit >> 8));
    }
    return static_cast<bool>(out.flush());
}

bool ParseSize(const std::string& text, uint32_t* w, uint32_t* h) {
    static const QRegularExpression re(QStringLiteral("^(\\d+)x(\\d+)$"));
    auto m = re.match(QString::fromStdString(text));
    if (!m.hasMatch()) return false;
    *w = m.captured(1).toUInt();
    *h = m.captured(2).toUInt();
    return *w > 0 && *h > 0 && *w % 16 == 0 && *w <= 4096 && *h <= 8192;
}

// Follows "a.b[2][0]" into a JSON value.
bool Lookup(const QJsonValue& root, const std::string& key, QJsonValue* out) {
    QJsonValue v = root;
    static const QRegularExpression part(QStringLiteral("([^.\\[\\]]+)|\\[(\\d+)\\]"));
    auto it = part.globalMatch(QString::fromStdString(key));
    while (it.hasNext()) {
        auto m = it.next();
        if (!m.captured(1).isEmpty()) {
            if (!v.isObject() || !v.toObject().contains(m.captured(1))) return false;
            v = v.toObject().value(m.captured(1));
        } else {
            const int index = m.captured(2).toInt();
            if (!v.isArray() || index >= v.toArray().size()) return false;
            v = v.toArray().at(index);
        }
    }
    *out = v;
    return true;
}

std::string Show(const QJsonValue& v) {
    QJsonArray wrap{v};
    QByteArray text = QJsonDocument(wrap).toJson(QJsonDocument::Compact);
    return text.mid(1, text.size() - 2).toStdString();
}

bool LoadImage(const fs::path& file, QImage* image) {
    if (!image->load(QString::fromStdString(file.string()))) return false;
    *image = image->convertToFormat(QImage::Format_RGB32);
    return true;
}

bool Rect(const std::vector<std::string>& args, size_t from, const QImage& image, QRect* rect) {
    if (args.size() == from) {
        *rect = image.rect();
        return true;
    }
    if (args.size() != from + 4) return false;
    *rect = QRect(ToInt(args[from]), ToInt(args[from + 1]), ToInt(args[from + 2]),
                  ToInt(args[from + 3]));
    return image.rect().contains(*rect);
}

// One start of the reader on the test's device; false when it hangs.
bool RunReader(const fs::path& reader, const fs::path& work, const QStringList& args,
               QByteArray* err, int* status) {
    QProcess run;
    run.setWorkingDirectory(QString::fromStdString(work.string()));
    // A book deleted from the list goes to the desktop trash: this run's own.
    std::error_code ec;
    fs::create_directories(work / "data", ec);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"),
                       QString::fromStdString((work / "data").string()));
    run.setProcessEnvironment(environment);
    run.start(QString::fromStdString(reader.string()), args);
    if (!run.waitForFinished(120000)) {
        run.kill();
        run.waitForFinished();
        return false;
    }
    err->append(run.readAllStandardError());
    *status = run.exitStatus() == QProcess::NormalExit ? run.exitCode() : -1;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: e2e_runner INKVISTA SCRIPT WORKDIR\n");
        return 2;
    }
    const fs::path reader = fs::absolute(argv[1]);
    const fs::path source = fs::absolute(argv[2]);
    const fs::path work = fs::absolute(argv[3]);
    const std::string name = source.filename().string();

    std::error_code ec;
    fs::remove_all(work, ec);
    fs::create_directories(work / "root" / "My Documents", ec);
    if (ec || !fs::copy_file(source, work / name, ec)) {
        std::fprintf(stderr, "cannot prepare %s\n", work.string().c_str());
        return 2;
    }

    QFile in(QString::fromStdString(source.string()));
    if (!in.open(QIODevice::ReadOnly)) return 2;
    std::vector<std::pair<int, std::string>> expectations;
    QStringList args = {
        QStringLiteral("--script"),   QString::fromStdString((work / name).string()),
        QStringLiteral("--root"),     QString::fromStdString((work / "root").string()),
        QStringLiteral("--registry"), QString::fromStdString((work / "registry.reg").string())};
    int lineNumber = 0;
    std::vector<int> restarts;
    std::vector<std::string> scriptLines;
    while (!in.atEnd()) {
        QByteArray raw = in.readLine();
        if (raw.endsWith('\n')) raw.chop(1);
        scriptLines.push_back(raw.toStdString());
        std::string line = raw.trimmed().toStdString();
        ++lineNumber;
        const std::string where = name + ":" + std::to_string(lineNumber);
        if (line.rfind("#?", 0) == 0) {
            expectations.emplace_back(lineNumber, line.substr(2));
            continue;
        }
        if (line.rfind("#!", 0) != 0) continue;
        std::vector<std::string> words = Split(line.substr(2));
        if (words.empty()) continue;
        if (words[0] == "book" && words.size() >= 3) {
            uint32_t w = 240;
            uint32_t h = 400;
            size_t next = 3;
            if (words.size() > 3 && ParseSize(words[3], &w, &h)) next = 4;
            std::string title;
            for (size_t i = next; i < words.size(); ++i)
                title += (title.empty() ? "" : " ") + words[i];
            if (title.empty()) title = fs::path(words[1]).stem().string();
            if (!MakeBook(work / words[1], ToInt(words[2]), w, h, title)) {
                Fail(where, "cannot make book " + words[1]);
            }
        } else if (words[0] == "dir" && words.size() == 2) {
            fs::create_directories(work / words[1], ec);
        } else if (words[0] == "hidden" && words.size() == 2) {
            // Where the reader keeps DOS attributes on the host.
            const fs::path file = work / words[1];
            if (setxattr(file.c_str(), "user.DOSATTRIB", "0x2", 3, 0) != 0) {
                // A file system without user attributes cannot hold a hidden
                // book at all; the script is skipped there, not failed.
                if (errno == ENOTSUP) {
                    std::fprintf(stderr, "%s: no user attributes here, skipped\n", name.c_str());
                    return kSkipped;
                }
                Fail(where, "cannot hide " + words[1]);
            }
        } else if (words[0] == "readonly" && words.size() == 2) {
            // The host's write permission is the reader's read-only attribute.
            fs::permissions(
                work / words[1],
                fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                fs::perm_options::remove, ec);
            if (ec) Fail(where, "cannot make read-only " + words[1]);
        } else if (words[0] == "text" && words.size() >= 2) {
            if (!WriteText(work / words[1], words, 2)) Fail(where, "cannot write " + words[1]);
        } else if (words[0] == "restart" && words.size() == 1) {
            restarts.push_back(lineNumber);
        } else if (words[0] == "bookmark" && words.size() == 4) {
            // One line of a folder's bookmark file: UTF-16LE "NAME\tPAGE\n".
            const QString line = QString::fromStdString(words[2] + "\t" + words[3] + "\n");
            std::ofstream out(work / words[1] / "InkVISTA.bmk", std::ios::binary | std::ios::app);
            for (const QChar c : line)
                out.put(static_cast<char>(c.unicode() & 0xff))
                    .put(static_cast<char>(c.unicode() >> 8));
            if (!out) Fail(where, "cannot write bookmark in " + words[1]);
        } else if (words[0] == "args") {
            for (size_t i = 1; i < words.size(); ++i) args << QString::fromStdString(words[i]);
        } else {
            Fail(where, "bad setup line");
        }
    }
    if (failures) return 1;

    // A script with `#! restart` lines runs as one program start per part,
    // on the same device: each part is the script with the other parts'
    // lines blanked, so that errors keep their line numbers.
    std::vector<fs::path> parts = {work / name};
    if (!restarts.empty()) {
        parts.clear();
        restarts.push_back(lineNumber + 1);
        int from = 1;
        for (const int upTo : restarts) {
            parts.push_back(work / (name + ".part" + std::to_string(parts.size() + 1)));
            std::ofstream part(parts.back(), std::ios::binary);
            for (size_t i = 0; i < scriptLines.size(); ++i) {
                const int number = static_cast<int>(i) + 1;
                part << (number >= from && number < upTo ? scriptLines[i] : "") << '\n';
            }
            from = upTo;
        }
    }
    QByteArray err;
    int status = 0;
    for (const fs::path& part : parts) {
        args[1] = QString::fromStdString(part.string());
        if (!RunReader(reader, work, args, &err, &status)) {
            std::fprintf(stderr, "%s: the reader did not finish\n", name.c_str());
            return 1;
        }
        if (status != 0) break;
    }

    int expectedExit = 0;
    for (const auto& [number, text] : expectations) {
        const std::string where = name + ":" + std::to_string(number);
        std::vector<std::string> words = Split(text);
        if (words.empty()) continue;
        const std::string& what = words[0];
        if (what == "exit" && words.size() == 2) {
            expectedExit = ToInt(words[1]);
        } else if (what == "stderr") {
            const std::string wanted = text.substr(text.find("stderr") + 7);
            if (!err.contains(QByteArray::fromStdString(wanted))) {
                Fail(where, "standard error lacks '" + wanted + "'");
            }
        } else if (what == "missing" && words.size() == 2) {
            if (fs::exists(work / words[1])) Fail(where, words[1] + " was written");
        } else if (what == "exists" && words.size() == 2) {
            if (!fs::exists(work / words[1])) Fail(where, words[1] + " is not there");
        } else if (what == "bytes" && words.size() >= 4) {
            if (!fs::exists(work / words[1])) {
                Fail(where, "no " + words[1]);
                continue;
            }
            const std::string got = ReadWhole(work / words[1]);
            const size_t offset = static_cast<size_t>(ToInt(words[2]));
            for (size_t i = 3; i < words.size(); ++i) {
                const size_t at = offset + i - 3;
                const int wanted = std::stoi(words[i], nullptr, 16);
                if (at >= got.size() || static_cast<uint8_t>(got[at]) != wanted) {
                    Fail(where, words[1] + " byte " + std::to_string(at) + " is not " + words[i]);
                    break;
                }
            }
        } else if ((what == "contains" || what == "lacks") && words.size() >= 3) {
            // The rest of the line as written, quotes and all.
            const size_t file = text.find(words[1], text.find(what) + what.size());
            const std::string wanted = text.substr(file + words[1].size() + 1);
            const bool found = ReadWhole(work / words[1]).find(wanted) != std::string::npos;
            if (found != (what == "contains")) {
                Fail(where, words[1] + (found ? " holds '" : " lacks '") + wanted + "'");
            }
        } else if ((what == "same" || what == "differ") && words.size() >= 3) {
            QImage a;
            QImage b;
            QRect rect;
            const auto at = [&](const std::string& name) {
                return name.starts_with("@/") ? source.parent_path() / name.substr(2) : work / name;
            };
            if (!LoadImage(at(words[1]), &a) || !LoadImage(at(words[2]), &b)) {
                Fail(where, "cannot read " + words[1] + " or " + words[2]);
                continue;
            }
            if (a.size() != b.size() || !Rect(words, 3, a, &rect)) {
                Fail(where, "sizes or rectangle do not fit");
                continue;
            }
            bool equal = true;
            for (int y = rect.top(); y <= rect.bottom() && equal; ++y) {
                for (int x = rect.left(); x <= rect.right() && equal; ++x) {
                    equal = a.pixel(x, y) == b.pixel(x, y);
                }
            }
            if (equal != (what == "same")) {
                Fail(where, words[1] + " and " + words[2] + (equal ? " are the same" : " differ"));
            }
        } else if (what == "pixel" && words.size() == 5) {
            QImage a;
            if (!LoadImage(work / words[1], &a)) {
                Fail(where, "cannot read " + words[1]);
                continue;
            }
            const QPoint p(ToInt(words[2]), ToInt(words[3]));
            const QColor wanted(QString::fromStdString(words[4]));
            if (!a.rect().contains(p) || QColor(a.pixel(p)) != wanted) {
                Fail(where, "pixel " + words[2] + "," + words[3] + " is " +
                                QColor(a.pixel(p)).name().toStdString() + ", not " + words[4]);
            }
        } else if (words.size() >= 4 && words[2] == "=") {
            QFile file(QString::fromStdString((work / words[0]).string()));
            if (!file.open(QIODevice::ReadOnly)) {
                Fail(where, "no " + words[0]);
                continue;
            }
            QJsonParseError parseError;
            const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
            if (doc.isNull()) {
                Fail(where, words[0] + " is no JSON: " + parseError.errorString().toStdString());
                continue;
            }
            const std::string valueText = text.substr(text.find('=') + 1);
            const QJsonDocument wanted =
                QJsonDocument::fromJson(QByteArray::fromStdString("[" + valueText + "]"));
            if (wanted.isNull() || wanted.array().size() != 1) {
                Fail(where, "bad expected value" + valueText);
                continue;
            }
            QJsonValue got;
            if (!Lookup(doc.isObject() ? QJsonValue(doc.object()) : QJsonValue(doc.array()),
                        words[1], &got)) {
                Fail(where, words[0] + " has no " + words[1]);
            } else if (got != wanted.array().at(0)) {
                Fail(where,
                     words[1] + " is " + Show(got) + ", expected " + Show(wanted.array().at(0)));
            }
        } else {
            Fail(where, "bad expectation line");
        }
    }
    if (status != expectedExit) {
        Fail(name, "exit status " + std::to_string(status) + ", expected " +
                       std::to_string(expectedExit));
    }
    if (failures) {
        std::fprintf(stderr, "--- reader's standard error ---\n%s", err.constData());
        return 1;
    }
    return 0;
}
