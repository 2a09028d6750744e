// Placeholder until the command is written.
#include <cstdio>

#include "Commands.h"

int inkvista::tool::RunPack(const std::vector<std::string>&) {
    std::fputs("inkvista-tool: not available yet\n", stderr);
    return 1;
}
