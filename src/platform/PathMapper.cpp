#include "platform/PathMapper.h"

#include <algorithm>
#include <utility>

#include "platform/HostDir.h"
#include "platform/HostNames.h"
#include "platform/Text.h"
#include "platform/Win32.h"

namespace inkvista {

namespace {

bool IsSeparator(char16_t c) {
    return c == u'\\' || c == u'/';
}

bool IsForbidden(char16_t c) {
    if (c < 0x20) return true;
    switch (c) {
        case u':':
        case u'*':
        case u'?':
        case u'"':
        case u'<':
        case u'>':
        case u'|':
            return true;
        default:
            return false;
    }
}

// The host name of one component inside an existing host folder: the exact
// name when it exists, else the first name equal without regard to case (in
// byte order, so the choice is the same every time). Empty when none.
std::string MatchComponent(const std::filesystem::path& dir, const std::u16string& component,
                           const std::string& exact) {
    if (host::EntryExists(dir / exact)) return exact;
    std::vector<std::string> names;
    if (!host::ListDir(dir, &names, nullptr)) return {};
    const std::string* best = nullptr;
    for (const std::string& name : names) {
        if (EqualsNoCase(DeviceName(name), component) && (best == nullptr || name < *best)) {
            best = &name;
        }
    }
    return best ? *best : std::string();
}

}  // namespace

PathMapper::PathMapper(std::filesystem::path root, std::vector<Mount> mounts)
    : root_(std::move(root)) {
    for (Mount& m : mounts) AddMount(std::move(m));
}

std::optional<std::filesystem::path> PathMapper::Resolve(std::u16string_view devicePath) const {
    return Resolve(devicePath, nullptr);
}

std::optional<std::filesystem::path> PathMapper::Resolve(std::u16string_view devicePath,
                                                         uint32_t* error) const {
    auto fail = [error](uint32_t code) -> std::optional<std::filesystem::path> {
        if (error) *error = code;
        return std::nullopt;
    };
    if (devicePath.size() > kMaxLongPathUnits) {
        return fail(ERROR_FILENAME_EXCED_RANGE);
    }
    if (devicePath.empty() || !IsSeparator(devicePath[0])) return fail(ERROR_PATH_NOT_FOUND);
    for (char16_t c : devicePath) {
        if (IsForbidden(c)) return fail(ERROR_INVALID_NAME);
    }

    // Split into components; "." stays put and ".." climbs, never above "\",
    // so no device path reaches outside the root or a mount.
    std::vector<std::u16string> parts;
    size_t i = 0;
    while (i < devicePath.size()) {
        while (i < devicePath.size() && IsSeparator(devicePath[i])) ++i;
        size_t j = i;
        while (j < devicePath.size() && !IsSeparator(devicePath[j])) ++j;
        if (j > i) {
            std::u16string part(devicePath.substr(i, j - i));
            if (part == u"..") {
                if (!parts.empty()) parts.pop_back();
            } else if (part != u".") {
                parts.push_back(std::move(part));
            }
        }
        i = j;
    }

    std::filesystem::path result = root_;
    size_t first = 0;
    if (!parts.empty()) {
        if (const Mount* m = FindMount(parts[0])) {
            result = m->host;
            first = 1;
        }
    }
    bool exists = true;
    for (size_t k = first; k < parts.size(); ++k) {
        // A name no listing gives is not guessed at.
        const std::optional<std::string> exact = HostName(parts[k]);
        if (!exact) return fail(ERROR_INVALID_NAME);
        std::string name;
        if (exists) name = MatchComponent(result, parts[k], *exact);
        if (name.empty()) {
            exists = false;
            name = *exact;
        }
        result /= name;
    }
    if (error) *error = ERROR_SUCCESS;
    return result;
}

const PathMapper::Mount* PathMapper::FindMount(std::u16string_view name) const {
    for (const Mount& m : mounts_) {
        if (EqualsNoCase(m.name, name)) return &m;
    }
    return nullptr;
}

bool PathMapper::ValidMountName(std::u16string_view name) {
    if (name.empty() || name == u"." || name == u"..") return false;
    return std::none_of(name.begin(), name.end(),
                        [](char16_t c) { return IsSeparator(c) || IsForbidden(c); });
}

bool PathMapper::AddMount(Mount mount) {
    if (!ValidMountName(mount.name)) return false;
    for (Mount& m : mounts_) {
        if (EqualsNoCase(m.name, mount.name)) {
            m = std::move(mount);
            return true;
        }
    }
    mounts_.push_back(std::move(mount));
    return true;
}

bool PathMapper::RemoveMount(std::u16string_view name) {
    for (auto it = mounts_.begin(); it != mounts_.end(); ++it) {
        if (EqualsNoCase(it->name, name)) {
            mounts_.erase(it);
            return true;
        }
    }
    return false;
}

}  // namespace inkvista
