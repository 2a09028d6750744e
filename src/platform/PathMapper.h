// Maps "\"-separated device paths onto host paths.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace inkvista {

class PathMapper {
  public:
    struct Mount {
        std::u16string name;  // first component under "\", e.g. u"My Documents", u"Storage Card"
        std::filesystem::path host;
    };

    // `root` is what "\" stands for; each mount shadows a first component.
    PathMapper(std::filesystem::path root, std::vector<Mount> mounts);

    // The host path of a device path. Every existing component is matched
    // exactly, else without regard to case; components that do not exist yet
    // are taken as written (so a file can be created there). Refuses (nullopt)
    // a path that is not absolute, is longer than kMaxLongPathUnits, or holds a
    // character the device forbids (":*?\"<>|" or control characters).
    std::optional<std::filesystem::path> Resolve(std::u16string_view devicePath) const;
    // The same, telling why a path is refused: ERROR_FILENAME_EXCED_RANGE
    // (too long), ERROR_INVALID_NAME (forbidden character) or
    // ERROR_PATH_NOT_FOUND (not absolute).
    std::optional<std::filesystem::path> Resolve(std::u16string_view devicePath,
                                                 uint32_t* error) const;

    // The mount whose name is `name` (no regard to case), if any.
    const Mount* FindMount(std::u16string_view name) const;

    // Replaces a mount of the same name (no regard to case). False, adding
    // nothing, for a name that is not a ValidMountName.
    bool AddMount(Mount mount);
    bool RemoveMount(std::u16string_view name);
    const std::vector<Mount>& mounts() const { return mounts_; }
    const std::filesystem::path& root() const { return root_; }

    // A name that can stand as the first component under "\": not empty,
    // not "." or "..", no separator and no character the device forbids.
    static bool ValidMountName(std::u16string_view name);

  private:
    std::filesystem::path root_;
    std::vector<Mount> mounts_;
};

}  // namespace inkvista
