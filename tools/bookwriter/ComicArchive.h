// Comic archives (CBZ, CBR, CB7, CBT: zip, rar, 7z and tar files of
// pictures) read with libarchive. Entries are untrusted: their names only
// sort and name pages, nothing is ever written to disk by them, and each
// picture is read into memory up to a size limit.
#pragma once

#include <QByteArray>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace inkvista::bookwriter {

struct ArchiveLimits {
    uint64_t entryBytes = uint64_t{256} << 20;  // one picture's file
    uint64_t entries = 1000000;                 // entries of any kind
};

// A picture entry: its name and its place among all entries.
struct ArchivePicture {
    std::string name;
    uint64_t ordinal = 0;
};

// Whether `path` names a comic archive by its extension (.cbz, .cbr, .cb7,
// .cbt, or .zip, .rar, .7z, .tar; any case).
bool IsComicArchiveName(const std::string& path);

// `a` before `b` in natural order: digit runs compare by their value (2
// before 10), other text without regard to ASCII case.
bool NaturalLess(std::string_view a, std::string_view b);

// `text` with control characters shown as '?', safe to print.
std::string Printable(std::string_view text);

// The picture entries of an archive (regular files with a picture
// extension, none hidden or inside a hidden folder, none whose name is
// absolute or climbs out with "..") in natural order of their names. With
// `comicInfo`, the bytes of its ComicInfo.xml (the one nearest the top, up
// to kMaxComicInfoBytes; empty when there is none). False with `error` set
// when the archive cannot be read or passes the limits.
bool ListArchivePictures(const std::string& path, const ArchiveLimits& limits,
                         std::vector<ArchivePicture>* pictures, std::string* error,
                         QByteArray* comicInfo = nullptr);

// Reads the archive once, front to back, and hands the bytes of each entry
// whose ordinal `wanted` answers true for to `take`. False with `error`
// set on a read failure, an entry over the limit, or when `take` says so.
using ArchiveEntrySink = std::function<bool(uint64_t ordinal, const std::string& name,
                                            const QByteArray& data, std::string* error)>;
bool ReadArchivePictures(const std::string& path, const ArchiveLimits& limits,
                         const std::function<bool(uint64_t ordinal)>& wanted,
                         const ArchiveEntrySink& take, std::string* error);

// Writes a CBZ: a zip archive of stored entries (pictures are compressed
// already), made in a temporary beside the target that replaces it only when
// complete. Dropped before Finish, it leaves the target as it was.
class CbzWriter {
  public:
    CbzWriter();
    ~CbzWriter();
    CbzWriter(const CbzWriter&) = delete;
    CbzWriter& operator=(const CbzWriter&) = delete;

    // Entries carry `modified` as their time.
    bool Begin(const std::string& path, std::time_t modified, std::string* error);
    bool Add(const std::string& name, const QByteArray& data, std::string* error);
    bool Finish(std::string* error);

    struct State;

  private:
    std::unique_ptr<State> state_;
};

}  // namespace inkvista::bookwriter
