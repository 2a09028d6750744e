// inkvista-tool pack: a book from pictures.
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "Commands.h"
#include "bookwriter/Packer.h"

namespace inkvista::tool {
namespace {

const char kHelp[] =
    "usage: inkvista-tool pack OUT IMAGE... [options]\n"
    "\n"
    "Makes a book from PNG or JPEG pictures, one page per picture, in order.\n"
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

}  // namespace

int RunPack(const std::vector<std::string>& args) {
    bookwriter::PackOptions options;
    std::vector<std::string> files;
    bool recordGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string* out) {
            if (i + 1 >= args.size()) return false;
            *out = args[++i];
            return true;
        };
        if (a == "--help" || a == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        } else if (a == "--grey" || a == "--gray") {
            options.colour = false;
        } else if (a == "--colour" || a == "--color") {
            options.colour = true;
        } else if (a == "--record") {
            if (!value(&options.record)) return Usage("--record needs CX or XC");
            for (char& c : options.record)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            recordGiven = true;
        } else if (a == "--dither") {
            std::string d;
            if (!value(&d)) return Usage("--dither needs fs, ordered or none");
            if (d == "fs") {
                options.dither = bookwriter::Dither::FloydSteinberg;
            } else if (d == "ordered") {
                options.dither = bookwriter::Dither::Ordered;
            } else if (d == "none") {
                options.dither = bookwriter::Dither::None;
            } else {
                return Usage("--dither needs fs, ordered or none, not '" + d + "'");
            }
        } else if (a == "--title" || a == "--chapter" || a == "--author" || a == "--publisher") {
            std::string* field = a == "--title"     ? &options.title
                                 : a == "--chapter" ? &options.chapter
                                 : a == "--author"  ? &options.author
                                                    : &options.publisher;
            if (!value(field)) return Usage(a + " needs a text");
        } else if (a.size() > 1 && a[0] == '-') {
            return Usage("unknown option '" + a + "'");
        } else {
            files.push_back(a);
        }
    }
    if (files.size() < 2) return Usage("needs a book and at least one picture");
    if (options.colour && !recordGiven) options.record = "XC";

    const std::string out = files.front();
    const std::optional<BookKind> kind = bookwriter::BookKindOf(out);
    if (!kind) return Fail(out + ": a book's name must end in .cmb or .cxb");
    options.kind = *kind;
    const std::vector<std::string> images(files.begin() + 1, files.end());
    std::string error;
    if (!bookwriter::PackBook(out, images, options, &error)) return Fail(error);
    return 0;
}

}  // namespace inkvista::tool
