// inkvista-tool: books on the command line.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Commands.h"
#include "Version.h"
#include "platform/HeapTuning.h"

namespace {

const char kUsage[] =
    "usage: inkvista-tool COMMAND [ARGS]\n"
    "\n"
    "Commands:\n"
    "  info BOOK        print a book's header and pages as JSON\n"
    "  export BOOK ...  write a page (or every page) as an image, or the book as\n"
    "                   a CBZ comic archive\n"
    "  pack OUT IMG...  make a .cmb or .cxb book for the device's screen from\n"
    "                   images, folders or comic archives (--into DIR: a book\n"
    "                   of each)\n"
    "  thumbnail BOOK OUT.png [SIZE]\n"
    "                   write the first page as a thumbnail\n"
    "  demo DIR         write a demo library\n"
    "\n"
    "'inkvista-tool COMMAND --help' describes each command;\n"
    "'inkvista-tool --version' tells the version.\n";

}  // namespace

int main(int argc, char** argv) {
    inkvista::KeepFreedPageMemory();
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (command == "--version") {
        std::printf("inkvista-tool %s\n", inkvista::kVersion);
        return 0;
    }
    std::vector<std::string> args(argv + 2, argv + argc);
    using namespace inkvista::tool;
    if (command == "info") return RunInfo(args);
    if (command == "export") return RunExport(args);
    if (command == "pack") return RunPack(args);
    if (command == "thumbnail") return RunThumbnail(args);
    if (command == "demo") return RunDemo(args);
    std::fprintf(stderr, "inkvista-tool: unknown command '%s'\n\n%s", command.c_str(), kUsage);
    return 2;
}
