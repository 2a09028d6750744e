// Device paths and wildcard patterns from arbitrary UTF-16 (little-endian)
// text, on a small host tree made once per run: a root with folders and
// files differing in case, and one mount.
//   Resolve refuses exactly the paths the device refuses (not absolute,
//   longer than kMaxLongPathUnits, a forbidden character) and never answers a
//   host path outside the root or the mount.
//   WildcardMatch agrees with a plain dynamic-programming matcher.
//   FindFirst/FindNext list only names the pattern matches, each once.
// The input's first byte splits the rest into a path and a name.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/PathMapper.h"
#include "platform/Text.h"
#include "platform/Win32.h"

namespace inkvista {
namespace {

namespace fs = std::filesystem;

struct Tree {
    fs::path base;
    std::unique_ptr<FileSystem> files;

    Tree() {
        char dir[] = "/tmp/inkvista-fuzz-paths-XXXXXX";
        if (!mkdtemp(dir)) std::abort();
        base = dir;
        const fs::path root = base / "root";
        for (const char* d : {"root/Books/Sub", "root/books", "root/a.b", "card/InkVISTA"})
            fs::create_directories(base / d);
        for (const char* f : {"root/Books/One.cmb", "root/Books/one.CMB", "root/Books/two",
                              "root/x.y.z", "card/InkVISTA/Book.cxb", "outside.txt"})
            std::ofstream(base / f) << "x";
        files = std::make_unique<FileSystem>(
            PathMapper(root, {PathMapper::Mount{u"Storage Card", base / "card"}}));
    }
    ~Tree() {
        std::error_code ec;
        fs::remove_all(base, ec);
    }
};

Tree& SharedTree() {
    static Tree tree;
    return tree;
}

bool Within(const fs::path& path, const fs::path& top) {
    const fs::path normal = path.lexically_normal();
    auto p = normal.begin();
    for (auto t = top.begin(); t != top.end(); ++t, ++p) {
        if (p == normal.end() || *p != *t) return false;
    }
    for (; p != normal.end(); ++p) {
        if (*p == "..") return false;
    }
    return true;
}

bool Refused(std::u16string_view path) {
    if (path.empty() || (path[0] != u'\\' && path[0] != u'/')) return true;
    if (path.size() > kMaxLongPathUnits) return true;
    for (char16_t c : path) {
        if (c < 0x20 || std::u16string_view(u":*?\"<>|").find(c) != std::u16string_view::npos)
            return true;
    }
    return false;
}

void CheckResolve(std::u16string_view path) {
    const Tree& tree = SharedTree();
    const PathMapper& mapper = tree.files->mapper();
    const auto host = mapper.Resolve(path);
    if (host.has_value() == Refused(path)) std::abort();
    if (host && !Within(*host, mapper.root()) && !Within(*host, tree.base / "card")) std::abort();
}

// The reference: matches[i][j] when pattern[i..] matches name[j..].
bool ReferenceMatch(std::u16string_view pattern, std::u16string_view name) {
    const size_t P = pattern.size(), N = name.size();
    std::vector<std::vector<char>> m(P + 1, std::vector<char>(N + 1, 0));
    m[P][N] = 1;
    for (size_t i = P; i-- > 0;) {
        for (size_t j = N + 1; j-- > 0;) {
            if (pattern[i] == u'*') {
                m[i][j] = m[i + 1][j] || (j < N && m[i][j + 1]);
            } else if (j < N && (pattern[i] == u'?' || FoldCase(pattern[i]) == FoldCase(name[j]))) {
                m[i][j] = m[i + 1][j + 1];
            }
        }
    }
    return m[0][0];
}

void CheckFind(std::u16string_view pattern) {
    FileSystem& files = *SharedTree().files;
    FindData data;
    FindHandle handle = files.FindFirst(pattern, &data);
    if (!handle) return;
    const size_t sep = pattern.find_last_of(u"\\/");
    const std::u16string_view last = pattern.substr(sep + 1);
    const bool wild = last.find_first_of(u"*?") != std::u16string_view::npos;
    std::set<std::u16string> seen;
    do {
        bool ok = wild ? WildcardMatch(last, data.name) : EqualsNoCase(last, data.name);
        if (wild && !ok && last.size() >= 2 && last.substr(last.size() - 2) == u".*")
            ok = WildcardMatch(last.substr(0, last.size() - 2), data.name);
        if (!ok || !seen.insert(data.name).second) std::abort();
    } while (files.FindNext(handle, &data));
    if (files.LastError() != ERROR_NO_MORE_FILES) std::abort();
}

std::u16string Units(const uint8_t* data, size_t size) {
    std::u16string text;
    for (size_t i = 0; i + 1 < size; i += 2) text.push_back(char16_t(data[i] | data[i + 1] << 8));
    return text;
}

}  // namespace
}  // namespace inkvista

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace inkvista;
    if (size < 1) return 0;
    const std::u16string text = Units(data + 1, size - 1);
    const size_t split = std::min<size_t>(data[0], text.size());
    const std::u16string_view path = std::u16string_view(text).substr(0, split);
    const std::u16string_view name = std::u16string_view(text).substr(split);

    CheckResolve(path);
    // The reference takes time and memory in the product of the lengths.
    if (path.size() * name.size() <= 65536 &&
        WildcardMatch(path, name) != ReferenceMatch(path, name))
        std::abort();
    CheckFind(path);
    return 0;
}
