#include "platform/HostFolders.h"

#include <iterator>
#include <vector>

#include "platform/HostNames.h"
#include "platform/Text.h"

namespace inkvista {
namespace {

namespace fs = std::filesystem;

fs::path Canonical(const fs::path& p) {
    std::error_code ec;
    fs::path c = fs::canonical(p, ec);
    return ec ? fs::path() : c;
}

// The components of `inner` below `outer` (both canonical); nullopt when it
// is not inside.
std::optional<std::vector<fs::path>> Below(const fs::path& outer, const fs::path& inner) {
    if (outer.empty()) return std::nullopt;
    auto o = outer.begin();
    auto i = inner.begin();
    for (; o != outer.end(); ++o, ++i) {
        if (o->empty()) continue;  // the trailing "" of "/"
        if (i == inner.end() || *i != *o) return std::nullopt;
    }
    std::vector<fs::path> rest;
    for (; i != inner.end(); ++i)
        if (!i->empty()) rest.push_back(*i);
    return rest;
}

std::u16string Join(std::u16string head, const std::vector<fs::path>& parts) {
    for (const fs::path& part : parts) head += u"\\" + DeviceName(part.native());
    return head;
}

// The device path stands for exactly this folder.
bool ResolvesTo(Device& device, const std::u16string& path, const fs::path& folder) {
    if (path.size() <= 1 || path.size() > kMaxReachedFolderUnits) return false;
    const auto host = device.files().mapper().Resolve(path);
    std::error_code ec;
    return host && fs::equivalent(*host, folder, ec);
}

// A name not used under "\": no mount and no entry of the root, in any case.
bool NameFree(Device& device, const std::u16string& name) {
    const PathMapper& mapper = device.files().mapper();
    if (!PathMapper::ValidMountName(name) || mapper.FindMount(name)) return false;
    std::error_code ec;
    for (fs::directory_iterator it(mapper.root(), ec), end; !ec && it != end; it.increment(ec)) {
        if (EqualsNoCase(DeviceName(it->path().filename().native()), name)) return false;
    }
    return true;
}

std::optional<std::u16string> MountFolder(Device& device, const fs::path& folder) {
    std::u16string base = DeviceName(folder.filename().native());
    // Short enough for "\" + name + " (NN)" to leave room for the book, and
    // readable: a name the device shows only as escaped bytes is no title.
    if (base.size() > 64 || !PathMapper::ValidMountName(base) ||
        base != Utf8ToUtf16(folder.filename().native())) {
        base = u"Book Folder";
    }
    for (int n = 1; n < 100; ++n) {
        const std::u16string name =
            n == 1 ? base : base + u" (" + Utf8ToUtf16(std::to_string(n)) + u")";
        if (!NameFree(device, name) || !device.AddFolderMount(name, folder)) continue;
        return u"\\" + name;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::u16string> ReachHostFolder(Device& device, const fs::path& hostFolder) {
    const fs::path folder = Canonical(hostFolder);
    if (folder.empty() || !fs::is_directory(folder)) return std::nullopt;
    const PathMapper& mapper = device.files().mapper();

    // The deepest mount holding the folder wins over the root.
    std::optional<std::u16string> best;
    size_t bestDepth = 0;
    for (const PathMapper::Mount& mount : mapper.mounts()) {
        const fs::path host = Canonical(mount.host);
        const auto rest = Below(host, folder);
        if (!rest) continue;
        const size_t depth = static_cast<size_t>(std::distance(host.begin(), host.end()));
        if (best && depth <= bestDepth) continue;
        best = Join(u"\\" + mount.name, *rest);
        bestDepth = depth;
    }
    if (best && ResolvesTo(device, *best, folder)) return best;
    if (const auto rest = Below(Canonical(mapper.root()), folder)) {
        const std::u16string path = Join(u"", *rest);
        if (ResolvesTo(device, path, folder)) return path;
    }
    return MountFolder(device, folder);
}

}  // namespace inkvista
