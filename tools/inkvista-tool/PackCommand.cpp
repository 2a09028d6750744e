// inkvista-tool pack: a book from pictures, folders and comic archives.
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "Commands.h"
#include "bookwriter/PackInputs.h"
#include "bookwriter/Packer.h"

namespace inkvista::tool {
namespace {

const char kHelp[] =
    "usage: inkvista-tool pack OUT INPUT... [options]\n"
    "\n"
    "Makes a book from pictures, one page per picture, in the order given.\n"
    "An INPUT is a picture (PNG, JPEG or another format Qt reads), a folder\n"
    "of pictures or a comic archive (.cbz, .cbr, .cb7, .cbt); a folder or an\n"
    "archive gives its pictures in natural order of their names (2 before 10).\n"
    "OUT's extension (.cmb or .cxb) chooses the kind of book.\n"
    "\n"
    "Options:\n"
    "  --grey             8 grey levels (the default)\n"
    "  --colour           32 colours chosen for each page\n"
    "  --record CX|XC     page record of grey pages (default CX); colour pages\n"
    "                     always use XC\n"
    "  --dither fs|ordered|none\n"
    "                     error diffusion (default), ordered pattern, or none\n"
    "  --title T          header texts, in UTF-8; stored in the Korean code\n"
    "  --chapter C        page (CP949). The title holds 32 bytes, the others\n"
    "  --author A         20; a text that does not fit is refused, not cut\n"
    "  --publisher P\n";

int Fail(const std::string& message) {
    std::fprintf(stderr, "inkvista-tool pack: %s\n", message.c_str());
    return 1;
}

int Usage(const std::string& message) {
    std::fprintf(stderr, "inkvista-tool pack: %s\n\n%s", message.c_str(), kHelp);
    return 2;
}

struct PackArgs {
    bookwriter::PackOptions options;
    std::vector<std::string> files;
    std::string record;  // as given
    bool grey = false, colour = false;
};

// Parses one option at args[i]; answers 0 when taken, else the exit status.
int ParseOption(const std::vector<std::string>& args, size_t& i, PackArgs* p) {
    const std::string& a = args[i];
    auto value = [&](std::string* out) {
        if (i + 1 >= args.size()) return false;
        *out = args[++i];
        return true;
    };
    if (a == "--grey" || a == "--gray") {
        p->grey = true;
    } else if (a == "--colour" || a == "--color") {
        p->colour = true;
    } else if (a == "--record") {
        if (!value(&p->record)) return Usage("--record needs CX or XC");
        for (char& c : p->record)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (p->record != "CX" && p->record != "XC")
            return Usage("--record needs CX or XC, not '" + args[i] + "'");
    } else if (a == "--dither") {
        std::string d;
        if (!value(&d)) return Usage("--dither needs fs, ordered or none");
        if (d == "fs") {
            p->options.dither = bookwriter::Dither::FloydSteinberg;
        } else if (d == "ordered") {
            p->options.dither = bookwriter::Dither::Ordered;
        } else if (d == "none") {
            p->options.dither = bookwriter::Dither::None;
        } else {
            return Usage("--dither needs fs, ordered or none, not '" + d + "'");
        }
    } else if (a == "--title" || a == "--chapter" || a == "--author" || a == "--publisher") {
        std::string* field = a == "--title"     ? &p->options.title
                             : a == "--chapter" ? &p->options.chapter
                             : a == "--author"  ? &p->options.author
                                                : &p->options.publisher;
        if (!value(field)) return Usage(a + " needs a text");
    } else if (a.size() > 1 && a[0] == '-') {
        return Usage("unknown option '" + a + "'");
    } else {
        p->files.push_back(a);
    }
    return 0;
}

// Everything the command line alone can show to be wrong.
int CheckArgs(PackArgs* p) {
    if (p->files.size() < 2) return Usage("needs a book and at least one picture");
    if (p->grey && p->colour) return Usage("--grey and --colour contradict each other");
    p->options.colour = p->colour;
    if (p->colour && p->record == "CX")
        return Usage("colour pages need XC records: a CX record always holds a grey page");
    p->options.record = !p->record.empty() ? p->record : p->colour ? "XC" : "CX";
    const std::optional<BookKind> kind = bookwriter::BookKindOf(p->files.front());
    if (!kind) return Usage(p->files.front() + ": a book's name must end in .cmb or .cxb");
    p->options.kind = *kind;
    encode::BookPlan header;
    std::string error;
    if (!bookwriter::PrepareBook(p->options, &header, &error)) return Usage(error);
    return 0;
}

}  // namespace

int RunPack(const std::vector<std::string>& args) {
    PackArgs p;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (const int status = ParseOption(args, i, &p)) return status;
    }
    if (const int status = CheckArgs(&p)) return status;

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
    const size_t pages = bookwriter::CountPages(inputs);
    if (pages == 0) return Fail("no pictures found in what was given");

    const bool progress = isatty(STDERR_FILENO) != 0;
    bool lineOpen = false;
    if (progress) {
        p.options.progress = [&](size_t done, size_t total) {
            std::fprintf(stderr, "\rpage %zu of %zu", done, total);
            lineOpen = true;
        };
    }
    const bool ok =
        bookwriter::PackFeed(out, pages, bookwriter::FeedOf(inputs, limits), p.options, &error);
    if (lineOpen) std::fputc('\n', stderr);
    if (!ok) return Fail(error);
    if (progress) std::fprintf(stderr, "%zu pages written to %s\n", pages, out.c_str());
    return 0;
}

}  // namespace inkvista::tool
