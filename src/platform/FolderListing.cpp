#include "platform/FolderListing.h"

#include <sys/stat.h>

#include <algorithm>

#include "platform/HostDir.h"
#include "platform/HostNames.h"
#include "platform/Text.h"
#include "platform/Win32.h"

namespace inkvista::listing {

namespace {

bool HasWildcard(std::u16string_view s) {
    return s.find_first_of(u"*?") != std::u16string_view::npos;
}

// Device matching: "*.*" (and any pattern ending ".*") also takes names
// without an extension.
bool DeviceMatch(std::u16string_view pattern, std::u16string_view name) {
    if (WildcardMatch(pattern, name)) return true;
    if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == u".*") {
        return WildcardMatch(pattern.substr(0, pattern.size() - 2), name);
    }
    return false;
}

bool IsFolder(const std::filesystem::path& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

uint32_t SplitPattern(std::u16string_view pattern, std::u16string_view* folder,
                      std::u16string_view* last) {
    if (pattern.size() > kMaxLongPathUnits) return ERROR_FILENAME_EXCED_RANGE;
    const size_t sep = pattern.find_last_of(u"\\/");
    if (sep == std::u16string_view::npos) return ERROR_PATH_NOT_FOUND;
    *folder = sep == 0 ? pattern.substr(0, 1) : pattern.substr(0, sep);
    *last = pattern.substr(sep + 1);
    if (last->empty() || *last == u"." || *last == u"..") return ERROR_FILE_NOT_FOUND;
    for (char16_t c : *last) {
        if (c < 0x20 || std::u16string_view(u":\"<>|").find(c) != std::u16string_view::npos)
            return ERROR_INVALID_NAME;
    }
    return ERROR_SUCCESS;
}

namespace {

// Case-insensitive order on keys folded once per entry: comparing folded
// strings is CompareNoCase, and a long listing compares each name many times.
void SortCandidates(std::vector<Candidate>* all) {
    struct Keyed {
        std::u16string folded;
        uint32_t index;
    };
    std::vector<Keyed> keys;
    keys.reserve(all->size());
    for (size_t i = 0; i < all->size(); ++i) {
        std::u16string folded = (*all)[i].name;
        for (char16_t& c : folded) c = FoldCase(c);
        keys.push_back({std::move(folded), static_cast<uint32_t>(i)});
    }
    std::stable_sort(keys.begin(), keys.end(), [all](const Keyed& a, const Keyed& b) {
        const int c = a.folded.compare(b.folded);
        return c != 0 ? c < 0 : (*all)[a.index].name < (*all)[b.index].name;
    });
    std::vector<Candidate> sorted;
    sorted.reserve(all->size());
    for (const Keyed& k : keys) sorted.push_back(std::move((*all)[k.index]));
    *all = std::move(sorted);
}

}  // namespace

bool ListCandidates(const std::filesystem::path& dir, const PathMapper& mapper, bool foldersOnly,
                    std::vector<Candidate>* all, bool* anyEntry, int* err,
                    std::u16string_view keep) {
    std::vector<host::DirEntry> entries;
    if (!host::ListDirTyped(dir, &entries, err)) return false;
    const bool isRoot = dir == mapper.root();
    const bool filter = HasWildcard(keep);
    *anyEntry = false;
    for (host::DirEntry& e : entries) {
        std::u16string name = DeviceName(e.name);
        if (isRoot && mapper.FindMount(name)) continue;
        *anyEntry = true;
        if (foldersOnly && e.type == host::EntryType::Other) continue;
        if (filter && !DeviceMatch(keep, name)) continue;
        if (foldersOnly && e.type == host::EntryType::Unknown && !IsFolder(dir / e.name)) continue;
        all->push_back({std::move(name), std::move(e.name), {}});
    }
    if (isRoot) {
        for (const PathMapper::Mount& m : mapper.mounts()) {
            if (!IsFolder(m.host)) continue;
            *anyEntry = true;
            if (filter && !DeviceMatch(keep, m.name)) continue;
            all->push_back({m.name, {}, m.host});
        }
    }
    SortCandidates(all);
    return true;
}

std::vector<const Candidate*> Matches(const std::vector<Candidate>& all, std::u16string_view last) {
    std::vector<const Candidate*> chosen;
    if (HasWildcard(last)) {
        for (const Candidate& c : all) {
            if (DeviceMatch(last, c.name)) chosen.push_back(&c);
        }
        return chosen;
    }
    const Candidate* best = nullptr;
    for (const Candidate& c : all) {
        if (c.name == last) {
            best = &c;
            break;
        }
        if (best == nullptr && EqualsNoCase(c.name, last)) best = &c;
    }
    if (best) chosen.push_back(best);
    return chosen;
}

}  // namespace inkvista::listing
