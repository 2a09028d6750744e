// The commands of inkvista-tool; each answers the process exit status.
#pragma once

#include <string>
#include <vector>

namespace inkvista::tool {

// `args` are the command's own arguments (after the command name).
int RunInfo(const std::vector<std::string>& args);
int RunExport(const std::vector<std::string>& args);
int RunPack(const std::vector<std::string>& args);
int RunThumbnail(const std::vector<std::string>& args);
int RunDemo(const std::vector<std::string>& args);

}  // namespace inkvista::tool
