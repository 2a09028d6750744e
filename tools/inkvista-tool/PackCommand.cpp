// inkvista-tool pack: books from pictures, folders and comic archives, made
// for the device's screen.
#include <unistd.h>

#include <cctype>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "Commands.h"
#include "book/BookHeader.h"
#include "bookwriter/ComicInfo.h"
#include "bookwriter/PackInputs.h"
#include "bookwriter/Packer.h"

namespace inkvista::tool {
namespace {

namespace fs = std::filesystem;
using bookwriter::ToolStderr;

const char kHelp[] =
    "usage: inkvista-tool pack OUT INPUT... [options]\n"
    "       inkvista-tool pack --into DIR INPUT... [options] [--force]\n"
    "\n"
    "Makes a book from pictures, one page per picture, in the order given,\n"
    "made for the device's 240 x 320 screen. An INPUT is a picture (PNG, JPEG\n"
    "or another format Qt reads), a folder of pictures or a comic archive\n"
    "(.cbz, .cbr, .cb7, .cbt); a folder or an archive gives its pictures in\n"
    "natural order of their names (2 before 10). OUT's extension (.cmb or\n"
    ".cxb) chooses the kind of book. With --into, each INPUT (an archive or a\n"
    "folder) becomes a book of its own in DIR, named after it (.cmb, or .cxb\n"
    "with --colour); a book already there is kept unless --force.\n"
    "\n"
    "Page size (at most one of these):\n"
    "  --width W          pages W pixels wide (16 to 4096; default 320, the\n"
    "                     screen's long side, along which a page runs in the\n"
    "                     device's sideways view)\n"
    "  --size WxH         pages inside W x H, proportions kept\n"
    "  --original         each picture as it is: its own size, no crop, spreads\n"
    "                     kept (unless --crop-limit or --spreads say otherwise)\n"
    "  --upscale          enlarge pictures smaller than the page size too\n"
    "  --linear-light     resize in linear light: fine hatching and screen tones\n"
    "                     keep their brightness instead of averaging darker (such\n"
    "                     pages come out lighter than their picture's grey values)\n"
    "\n"
    "Pages:\n"
    "  --no-crop          keep plain white or black borders (cropped by default,\n"
    "                     never into anything drawn)\n"
    "  --crop-limit PCT   crop at most PCT percent of a side (default 10, at\n"
    "                     most 45)\n"
    "  --spreads split|rotate|keep\n"
    "                     a picture wider than high (a double-page spread):\n"
    "                     two pages (default), one page turned a quarter turn\n"
    "                     to be read sideways, or one page as it is\n"
    "  --rtl              split spreads right half first (manga)\n"
    "  --autocontrast     stretch the levels to the full range\n"
    "  --gamma G          lighten (G above 1) or darken (below 1) the mid-tones\n"
    "  --grey             8 grey levels (the default)\n"
    "  --colour           32 colours chosen for each page\n"
    "  --record CX|XC     record of grey-run pages (default CX); colour pages,\n"
    "                     and grey pages the run code would spoil, use XC\n"
    "  --dither fs|ordered|none\n"
    "                     error diffusion (default), ordered pattern, or none\n"
    "\n"
    "Header texts (UTF-8; stored in the Korean code page CP949; the title holds\n"
    "32 bytes, the others 20; a text given here that does not fit is refused).\n"
    "By default they come from the archive's ComicInfo.xml (shortened to fit,\n"
    "with a warning), the title otherwise from the archive's or folder's name:\n"
    "  --title T  --chapter C  --author A  --publisher P\n"
    "\n"
    "  --jobs N           pictures made at once (default: the number of cores);\n"
    "                     the book is the same for any N\n";

int Fail(const std::string& message) {
    std::fprintf(ToolStderr(), "inkvista-tool pack: %s\n", message.c_str());
    return 1;
}

void Warn(const std::string& message) {
    std::fprintf(ToolStderr(), "inkvista-tool pack: warning: %s\n", message.c_str());
}

int Usage(const std::string& message) {
    std::fprintf(ToolStderr(), "inkvista-tool pack: %s\n\n%s", message.c_str(), kHelp);
    return 2;
}

// The options as given, before defaults are settled.
struct PackArgs {
    bookwriter::PackOptions options;
    std::vector<std::string> files;
    std::string record, into;
    bool grey = false, colour = false, force = false, noCrop = false;
    bool titleGiven = false, chapterGiven = false, authorGiven = false, publisherGiven = false;
    int sizeOptions = 0;
    bool original = false;
    std::optional<double> cropLimit;
    std::optional<bookwriter::Spreads> spreads;
};

std::optional<uint32_t> Number(const std::string& text, uint32_t lo, uint32_t hi) {
    uint32_t v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || v < lo || v > hi)
        return std::nullopt;
    return v;
}

std::optional<double> Decimal(std::string text, double lo, double hi) {
    if (!text.empty() && text.back() == '%') text.pop_back();
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || !(v >= lo) ||
        !(v <= hi))
        return std::nullopt;
    return v;
}

std::string SidesText() {
    return std::to_string(bookwriter::kMinTargetSide) + " to " +
           std::to_string(bookwriter::kMaxTargetSide);
}

// --width W or --size WxH into the size rule; 0 when taken, else the status.
int ParseSize(const std::string& option, const std::string& text, PackArgs* p) {
    using bookwriter::kMaxTargetSide;
    using bookwriter::kMinTargetSide;
    bookwriter::SizeRule& rule = p->options.size;
    if (option == "--width") {
        const std::optional<uint32_t> w = Number(text, kMinTargetSide, kMaxTargetSide);
        if (!w)
            return Usage("--width needs a width of " + SidesText() + " pixels, not '" + text + "'");
        rule.mode = bookwriter::SizeRule::Mode::Width;
        rule.width = *w;
        return 0;
    }
    const size_t x = text.find_first_of("xX");
    const std::optional<uint32_t> w =
        x == std::string::npos ? std::nullopt
                               : Number(text.substr(0, x), kMinTargetSide, kMaxTargetSide);
    const std::optional<uint32_t> h =
        x == std::string::npos ? std::nullopt
                               : Number(text.substr(x + 1), kMinTargetSide, kMaxTargetSide);
    if (!w || !h)
        return Usage("--size needs WxH, each of " + SidesText() +
                     " pixels (such as 240x320), not '" + text + "'");
    rule.mode = bookwriter::SizeRule::Mode::Box;
    rule.width = *w;
    rule.height = *h;
    return 0;
}

// Options that take a value; 0 when taken, else the exit status.
int ParseValue(const std::string& a, const std::string& v, PackArgs* p) {
    bookwriter::PackOptions& o = p->options;
    if (a == "--record") {
        p->record = v;
        for (char& c : p->record)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (p->record != "CX" && p->record != "XC")
            return Usage("--record needs CX or XC, not '" + v + "'");
    } else if (a == "--dither") {
        if (v == "fs") {
            o.dither = bookwriter::Dither::FloydSteinberg;
        } else if (v == "ordered") {
            o.dither = bookwriter::Dither::Ordered;
        } else if (v == "none") {
            o.dither = bookwriter::Dither::None;
        } else {
            return Usage("--dither needs fs, ordered or none, not '" + v + "'");
        }
    } else if (a == "--title" || a == "--chapter" || a == "--author" || a == "--publisher") {
        const bool t = a == "--title", c = a == "--chapter", w = a == "--author";
        (t ? o.title : c ? o.chapter : w ? o.author : o.publisher) = v;
        (t ? p->titleGiven : c ? p->chapterGiven : w ? p->authorGiven : p->publisherGiven) = true;
    } else if (a == "--width" || a == "--size") {
        ++p->sizeOptions;
        return ParseSize(a, v, p);
    } else if (a == "--crop-limit") {
        p->cropLimit = Decimal(v, 0, bookwriter::kMostCrop * 100);
        if (!p->cropLimit)
            return Usage("--crop-limit needs a percentage of 0 to 45, not '" + v + "'");
    } else if (a == "--spreads") {
        if (v == "split") {
            p->spreads = bookwriter::Spreads::Split;
        } else if (v == "rotate") {
            p->spreads = bookwriter::Spreads::Rotate;
        } else if (v == "keep") {
            p->spreads = bookwriter::Spreads::Keep;
        } else {
            return Usage("--spreads needs split, rotate or keep, not '" + v + "'");
        }
    } else if (a == "--gamma") {
        o.tone.gamma = Decimal(v, bookwriter::kMinGamma, bookwriter::kMaxGamma);
        if (!o.tone.gamma) return Usage("--gamma needs a value of 0.1 to 10, not '" + v + "'");
    } else if (a == "--jobs") {
        const std::optional<uint32_t> n = Number(v, 1, 256);
        if (!n) return Usage("--jobs needs a number of 1 to 256, not '" + v + "'");
        o.jobs = *n;
    } else if (a == "--into") {
        p->into = v;
    }
    return 0;
}

bool TakesValue(const std::string& a) {
    for (const char* o :
         {"--record", "--dither", "--title", "--chapter", "--author", "--publisher", "--width",
          "--size", "--crop-limit", "--spreads", "--gamma", "--jobs", "--into"})
        if (a == o) return true;
    return false;
}

// Parses one option at args[i]; answers 0 when taken, else the exit status.
int ParseOption(const std::vector<std::string>& args, size_t& i, PackArgs* p) {
    const std::string& a = args[i];
    if (TakesValue(a)) {
        if (i + 1 >= args.size()) return Usage(a + " needs a value");
        return ParseValue(a, args[++i], p);
    }
    if (a == "--grey" || a == "--gray") {
        p->grey = true;
    } else if (a == "--colour" || a == "--color") {
        p->colour = true;
    } else if (a == "--original") {
        ++p->sizeOptions;
        p->original = true;
        p->options.size.mode = bookwriter::SizeRule::Mode::Original;
    } else if (a == "--upscale") {
        p->options.size.upscale = true;
    } else if (a == "--linear-light") {
        p->options.linearLight = true;
    } else if (a == "--no-crop") {
        p->noCrop = true;
    } else if (a == "--rtl") {
        p->options.rightToLeft = true;
    } else if (a == "--autocontrast") {
        p->options.tone.autocontrast = true;
    } else if (a == "--force") {
        p->force = true;
    } else if (a.size() > 1 && a[0] == '-') {
        return Usage("unknown option '" + a + "'");
    } else {
        p->files.push_back(a);
    }
    return 0;
}

// The defaults, settled once every option is known: pages 320 wide, plain
// borders cropped, spreads split; --original keeps pictures as they are.
void SettleDefaults(PackArgs* p) {
    bookwriter::PackOptions& o = p->options;
    if (p->sizeOptions == 0) {
        o.size.mode = bookwriter::SizeRule::Mode::Width;
        o.size.width = 320;
    }
    o.crop.enabled = !p->noCrop && (!p->original || p->cropLimit);
    if (p->cropLimit) o.crop.limit = *p->cropLimit / 100;
    o.spreads =
        p->spreads.value_or(p->original ? bookwriter::Spreads::Keep : bookwriter::Spreads::Split);
    if (o.jobs == 0) o.jobs = std::max(1u, std::thread::hardware_concurrency());
}

// Everything the command line alone can show to be wrong.
int CheckArgs(PackArgs* p) {
    const bool batch = !p->into.empty();
    if (batch ? p->files.empty() : p->files.size() < 2)
        return Usage(batch ? "--into needs at least one archive or folder"
                           : "needs a book and at least one picture");
    if (p->grey && p->colour) return Usage("--grey and --colour contradict each other");
    if (p->sizeOptions > 1)
        return Usage("--width, --size and --original: give one of them at most");
    if (p->noCrop && p->cropLimit) return Usage("--no-crop and --crop-limit contradict each other");
    if (p->force && !batch) return Usage("--force goes with --into");
    p->options.colour = p->colour;
    p->options.record = !p->record.empty() ? p->record : p->colour ? "XC" : "CX";
    if (!batch) {
        const std::optional<BookKind> kind = bookwriter::BookKindOf(p->files.front());
        if (!kind) return Usage(p->files.front() + ": a book's name must end in .cmb or .cxb");
        p->options.kind = *kind;
    }
    encode::BookPlan header;
    std::string error;
    if (!bookwriter::PrepareBook(p->options, &header, &error)) return Usage(error);
    SettleDefaults(p);
    return 0;
}

// The name an archive or folder gives a book: its file name without the
// extension.
std::string NameOf(const bookwriter::PackInput& input) {
    fs::path path = fs::path(input.path).lexically_normal();
    if (path.filename().empty()) path = path.parent_path();
    return input.kind == bookwriter::PackInput::Kind::Archive ? path.stem().string()
                                                              : path.filename().string();
}

// A header text from the inputs, fitted to its field with a warning when it
// had to be shortened.
void Fit(const char* field, size_t width, const std::string& from, std::string* text) {
    bool changed = false;
    const std::string fitted = bookwriter::FitHeaderText(*text, width, &changed);
    if (changed)
        Warn(from + ": the " + field + " \"" + *text + "\" is shortened to \"" + fitted +
             "\" to fit its " + std::to_string(width) + " bytes");
    *text = fitted;
}

// The header texts the command line left open, from the first input's
// ComicInfo.xml or, for the title, the first archive's or folder's name.
void TextsFromInputs(const std::vector<bookwriter::PackInput>& inputs, PackArgs* p) {
    bookwriter::HeaderTexts found;
    std::string from;
    for (const bookwriter::PackInput& input : inputs) {
        if (input.comicInfo.isEmpty()) continue;
        std::string why;
        from = input.path + ": " + bookwriter::kComicInfoName;
        if (!bookwriter::ReadComicInfo(input.comicInfo, &found, &why))
            Warn(from + " cannot be read (" + why + "); the names are used");
        break;
    }
    if (found.title.empty()) {
        for (const bookwriter::PackInput& input : inputs) {
            if (input.kind == bookwriter::PackInput::Kind::Picture) continue;
            found.title = NameOf(input);
            from = input.path;
            break;
        }
    }
    bookwriter::PackOptions& o = p->options;
    const struct {
        bool given;
        const std::string& text;
        std::string* to;
        const char* field;
        size_t width;
    } fields[] = {{p->titleGiven, found.title, &o.title, "title", kTitleWidth},
                  {p->chapterGiven, found.chapter, &o.chapter, "chapter", kChapterWidth},
                  {p->authorGiven, found.author, &o.author, "author", kAuthorWidth},
                  {p->publisherGiven, found.publisher, &o.publisher, "publisher", kPublisherWidth}};
    for (const auto& f : fields) {
        if (f.given || f.text.empty()) continue;
        *f.to = f.text;
        Fit(f.field, f.width, from, f.to);
    }
}

// Progress on a terminal: pictures done and pages written per second.
class ProgressLine {
  public:
    explicit ProgressLine(bookwriter::PackOptions* options)
        : shown_(isatty(STDERR_FILENO) != 0), start_(std::chrono::steady_clock::now()) {
        if (!shown_) return;
        options->progress = [this](const bookwriter::PackProgress& p) {
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
            std::fprintf(ToolStderr(), "\rpage %zu of %zu, %.1f pages/s  ", p.pictures, p.total,
                         seconds > 0 ? double(p.pages) / seconds : 0.0);
            open_ = true;
            pages_ = p.pages;
        };
    }
    void End() {
        if (open_) std::fputc('\n', ToolStderr());
        open_ = false;
    }
    void Written(const std::string& out) {
        End();
        if (shown_) std::fprintf(ToolStderr(), "%zu pages written to %s\n", pages_, out.c_str());
    }

  private:
    bool shown_;
    bool open_ = false;
    size_t pages_ = 0;
    std::chrono::steady_clock::time_point start_;
};

// Makes one book from `inputs`; answers the exit status.
int PackBook(const std::string& out, const std::vector<bookwriter::PackInput>& inputs,
             const bookwriter::ArchiveLimits& limits, bookwriter::PackOptions options) {
    const size_t pictures = bookwriter::CountPages(inputs);
    if (pictures == 0) return Fail("no pictures found in what was given");
    ProgressLine line(&options);
    std::string error;
    const bool ok =
        bookwriter::PackFeed(out, pictures, bookwriter::FeedOf(inputs, limits), options, &error);
    line.End();
    if (!ok) return Fail(error);
    line.Written(out);
    return 0;
}

int PackOne(PackArgs& p) {
    const std::string out = p.files.front();
    const std::vector<std::string> paths(p.files.begin() + 1, p.files.end());
    const bookwriter::ArchiveLimits limits;
    std::vector<bookwriter::PackInput> inputs;
    std::string error;
    switch (bookwriter::ListInputs(paths, limits, &inputs, &error)) {
        case bookwriter::InputProblem::None:
            break;
        case bookwriter::InputProblem::NotUsable:
            return Usage(error);
        case bookwriter::InputProblem::Failed:
            return Fail(error);
    }
    TextsFromInputs(inputs, &p);
    return PackBook(out, inputs, limits, p.options);
}

// One book per input in the --into folder; every input is tried.
int PackInto(const PackArgs& args) {
    std::error_code ec;
    fs::create_directories(args.into, ec);
    if (ec || !fs::is_directory(args.into, ec))
        return Fail(args.into + ": " + (ec ? ec.message() : std::string("not a folder")));
    const bookwriter::ArchiveLimits limits;
    int failed = 0;
    for (const std::string& path : args.files) {
        PackArgs p = args;
        std::vector<bookwriter::PackInput> inputs;
        std::string error;
        if (bookwriter::ListInputs({path}, limits, &inputs, &error) !=
            bookwriter::InputProblem::None) {
            failed += Fail(error);
            continue;
        }
        if (inputs.front().kind == bookwriter::PackInput::Kind::Picture) {
            failed += Fail(path + ": a picture; --into makes books of archives and folders");
            continue;
        }
        p.options.kind = p.colour ? BookKind::Cxb : BookKind::Cmb;
        const std::string out =
            (fs::path(args.into) / (NameOf(inputs.front()) + (p.colour ? ".cxb" : ".cmb")))
                .string();
        if (!args.force && fs::exists(fs::symlink_status(out, ec))) {
            failed += Fail(out + ": there already; --force replaces it");
            continue;
        }
        p.options.replace = args.force;
        TextsFromInputs(inputs, &p);
        failed += PackBook(out, inputs, limits, p.options) != 0;
    }
    return failed > 0 ? 1 : 0;
}

}  // namespace

int RunPack(const std::vector<std::string>& args) {
    PackArgs p;
    p.options.jobs = 0;  // the number of cores, unless --jobs
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (const int status = ParseOption(args, i, &p)) return status;
    }
    if (const int status = CheckArgs(&p)) return status;
    return p.into.empty() ? PackOne(p) : PackInto(p);
}

}  // namespace inkvista::tool
