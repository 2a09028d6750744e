// inkvista-tool demo: a library of made-up comics.
#include <cstdio>
#include <string>
#include <vector>

#include "Commands.h"
#include "GuiApp.h"
#include "bookwriter/DemoBooks.h"

namespace inkvista::tool {
namespace {

const char kHelp[] =
    "usage: inkvista-tool demo DIR\n"
    "\n"
    "Writes a demo library into DIR (created when missing): five books of\n"
    "both kinds, grey and colour, with tall, wide and short pages and Korean\n"
    "and English titles. The same books every time.\n";

}  // namespace

int RunDemo(const std::vector<std::string>& args) {
    std::string dir;
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if ((a.size() > 1 && a[0] == '-') || !dir.empty()) {
            std::fprintf(stderr, "inkvista-tool demo: unexpected '%s'\n\n%s", a.c_str(), kHelp);
            return 2;
        }
        dir = a;
    }
    if (dir.empty()) {
        std::fprintf(stderr, "inkvista-tool demo: needs a folder\n\n%s", kHelp);
        return 2;
    }
    GuiApp gui;  // lettering needs fonts
    std::vector<std::string> written;
    std::string error;
    if (!bookwriter::WriteDemoLibrary(dir, &written, &error)) {
        std::fprintf(stderr, "inkvista-tool demo: %s\n", error.c_str());
        return 1;
    }
    for (const std::string& path : written) std::printf("%s\n", path.c_str());
    return 0;
}

}  // namespace inkvista::tool
