// inkvista-tool pack: books from pictures, folders and comic archives, made
// for the device's screen.
#include <unistd.h>

#include <cctype>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "Commands.h"
#include "bookwriter/PackInputs.h"
#include "bookwriter/PackInto.h"
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
    bookwriter::PackGiven given;
    std::vector<std::string> files;
    std::string into;
    bool grey = false, colour = false, force = false;
    int sizeOptions = 0;
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
        std::string& record = p->given.record;
        record = v;
        for (char& c : record) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (record != "CX" && record != "XC")
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
        bookwriter::PackGiven& g = p->given;
        (t ? g.title : c ? g.chapter : w ? g.author : g.publisher) = true;
    } else if (a == "--width" || a == "--size") {
        ++p->sizeOptions;
        return ParseSize(a, v, p);
    } else if (a == "--crop-limit") {
        p->given.cropLimitPercent = Decimal(v, 0, bookwriter::kMostCrop * 100);
        if (!p->given.cropLimitPercent)
            return Usage("--crop-limit needs a percentage of 0 to 45, not '" + v + "'");
    } else if (a == "--spreads") {
        if (v == "split") {
            p->given.spreads = bookwriter::Spreads::Split;
        } else if (v == "rotate") {
            p->given.spreads = bookwriter::Spreads::Rotate;
        } else if (v == "keep") {
            p->given.spreads = bookwriter::Spreads::Keep;
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
        p->given.original = true;
        p->options.size.mode = bookwriter::SizeRule::Mode::Original;
    } else if (a == "--upscale") {
        p->options.size.upscale = true;
    } else if (a == "--linear-light") {
        p->options.linearLight = true;
    } else if (a == "--no-crop") {
        p->given.noCrop = true;
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

// Everything the command line alone can show to be wrong.
int CheckArgs(PackArgs* p) {
    const bool batch = !p->into.empty();
    if (batch ? p->files.empty() : p->files.size() < 2)
        return Usage(batch ? "--into needs at least one archive or folder"
                           : "needs a book and at least one picture");
    if (p->grey && p->colour) return Usage("--grey and --colour contradict each other");
    if (p->sizeOptions > 1)
        return Usage("--width, --size and --original: give one of them at most");
    if (p->given.noCrop && p->given.cropLimitPercent)
        return Usage("--no-crop and --crop-limit contradict each other");
    if (p->force && !batch) return Usage("--force goes with --into");
    p->options.colour = p->colour;
    p->given.size = p->sizeOptions > 0;
    bookwriter::SettleDefaults(p->given, &p->options);
    if (!batch) {
        const std::optional<BookKind> kind = bookwriter::BookKindOf(p->files.front());
        if (!kind) return Usage(p->files.front() + ": a book's name must end in .cmb or .cxb");
        p->options.kind = *kind;
    }
    encode::BookPlan header;
    std::string error;
    if (!bookwriter::PrepareBook(p->options, &header, &error)) return Usage(error);
    return 0;
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
    bookwriter::TextsFromInputs(inputs, p.given, &p.options, Warn);
    return PackBook(out, inputs, limits, p.options);
}

// One book per input in the --into folder; every input is tried.
int PackInto(const PackArgs& args) {
    std::error_code ec;
    fs::create_directories(args.into, ec);
    if (ec || !fs::is_directory(args.into, ec))
        return Fail(args.into + ": " + (ec ? ec.message() : std::string("not a folder")));
    int failed = 0;
    for (const std::string& path : args.files) {
        bookwriter::PackOptions options = args.options;
        ProgressLine line(&options);
        const bookwriter::IntoRequest request{path, args.into, args.force, {}, Warn};
        std::string out, error;
        const bookwriter::IntoOutcome outcome =
            bookwriter::PackInto(request, options, args.given, &out, &error);
        line.End();
        switch (outcome) {
            case bookwriter::IntoOutcome::Made:
                line.Written(out);
                break;
            case bookwriter::IntoOutcome::Picture:
                failed += Fail(path + ": a picture; --into makes books of archives and folders");
                break;
            case bookwriter::IntoOutcome::Exists:
                failed += Fail(out + ": there already; --force replaces it");
                break;
            case bookwriter::IntoOutcome::Failed:
            case bookwriter::IntoOutcome::NotUsable:
            case bookwriter::IntoOutcome::Cancelled:
                failed += Fail(error);
                break;
        }
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
