// The comic archive reader of `pack` (libarchive) on arbitrary bytes held in
// memory: the picture entries are listed, then read front to back as pack
// reads them. Every listed picture is handed over exactly once, in archive
// order, and none passes the entry limit. The input's first byte chooses
// whether the reader wants every entry or every other one.
#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "bookwriter/ComicArchive.h"
#include "support/MemoryBook.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace inkvista;
    using namespace inkvista::bookwriter;
    if (size < 1) return 0;
    const bool everyOther = data[0] & 1;
    fuzz::MemoryBook& memory = fuzz::SharedMemoryBook();
    memory.Replace(data + 1, size - 1);
    const std::string path = memory.hostPath();

    ArchiveLimits limits;
    limits.entryBytes = 1 << 20;
    limits.entries = 4096;
    std::vector<ArchivePicture> pictures;
    std::string error;
    if (!ListArchivePictures(path, limits, &pictures, &error)) {
        if (error.empty()) std::abort();
        return 0;
    }
    for (size_t i = 1; i < pictures.size(); ++i) {
        if (NaturalLess(pictures[i].name, pictures[i - 1].name)) std::abort();
    }
    std::set<uint64_t> wanted;
    for (size_t i = 0; i < pictures.size(); i += everyOther ? 2 : 1)
        wanted.insert(pictures[i].ordinal);

    std::set<uint64_t> taken;
    uint64_t last = 0;
    const bool read = ReadArchivePictures(
        path, limits, [&](uint64_t ordinal) { return wanted.count(ordinal) != 0; },
        [&](uint64_t ordinal, const std::string&, const QByteArray& bytes, std::string*) {
            if (!wanted.count(ordinal) || (!taken.empty() && ordinal <= last) ||
                uint64_t(bytes.size()) > limits.entryBytes)
                std::abort();
            taken.insert(ordinal);
            last = ordinal;
            return true;
        },
        &error);
    // The same bytes read twice: a damaged entry may stop the reading, but
    // nothing unlisted is handed over and, read in full, nothing is missed.
    if (read && taken != wanted) std::abort();
    if (!read && error.empty()) std::abort();
    return 0;
}
