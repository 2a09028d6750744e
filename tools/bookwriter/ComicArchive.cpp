#include "bookwriter/ComicArchive.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>

#include "bookwriter/ComicInfo.h"
#include "bookwriter/ImageFiles.h"
#include "platform/AtomicFile.h"
#include "platform/LateBinding.h"

namespace inkvista::bookwriter {
namespace {

constexpr char kLibArchive[] = "libarchive.so.13";

// libarchive is bound at the first archive, not linked: with what it
// brings (libxml2, nettle, acl, bzip2) it was six libraries loaded,
// relocated and torn down in every run of the reader, for the few runs that
// make a book of an archive.
#define INKVISTA_LIBARCHIVE(X)          \
    X(archive_entry_filetype)           \
    X(archive_entry_free)               \
    X(archive_entry_new)                \
    X(archive_entry_pathname)           \
    X(archive_entry_pathname_utf8)      \
    X(archive_entry_set_filetype)       \
    X(archive_entry_set_mtime)          \
    X(archive_entry_set_pathname_utf8)  \
    X(archive_entry_set_perm)           \
    X(archive_entry_set_size)           \
    X(archive_entry_size)               \
    X(archive_entry_size_is_set)        \
    X(archive_error_string)             \
    X(archive_read_data)                \
    X(archive_read_free)                \
    X(archive_read_new)                 \
    X(archive_read_next_header)         \
    X(archive_read_open_filename)       \
    X(archive_read_support_filter_all)  \
    X(archive_read_support_format_7zip) \
    X(archive_read_support_format_rar)  \
    X(archive_read_support_format_rar5) \
    X(archive_read_support_format_tar)  \
    X(archive_read_support_format_zip)  \
    X(archive_write_close)              \
    X(archive_write_data)               \
    X(archive_write_free)               \
    X(archive_write_header)             \
    X(archive_write_new)                \
    X(archive_write_open)               \
    X(archive_write_set_format_zip)     \
    X(archive_write_set_options)

INKVISTA_LATE_LIBRARY(LibArchive, INKVISTA_LIBARCHIVE);

const LibArchive& Lib() {
    static const LibArchive lib = LibArchive::Load(kLibArchive);
    return lib;
}

// Why nothing could be read or written, when libarchive cannot be bound.
bool Unbound(const std::string& path, std::string* error) {
    if (Lib().loaded) return false;
    *error = path + ": cannot read or write comic archives: " + kLibArchive + " cannot be loaded";
    return true;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

char Fold(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// Compares the digit runs starting at a[i] and b[j] by value and moves
// past them; 0 when equal.
int CompareNumbers(std::string_view a, size_t& i, std::string_view b, size_t& j) {
    auto run = [](std::string_view s, size_t& at) {
        while (at < s.size() && s[at] == '0') ++at;
        const size_t start = at;
        while (at < s.size() && IsDigit(s[at])) ++at;
        return s.substr(start, at - start);
    };
    const std::string_view x = run(a, i), y = run(b, j);
    if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
    return x.compare(y);
}

using ArchivePtr = std::unique_ptr<archive, int (*)(archive*)>;

ArchivePtr OpenArchive(const std::string& path, std::string* error) {
    if (Unbound(path, error)) return ArchivePtr(nullptr, nullptr);
    ArchivePtr a(Lib().archive_read_new(), Lib().archive_read_free);
    if (!a) {
        *error = path + ": out of memory";
        return a;
    }
    Lib().archive_read_support_filter_all(a.get());
    Lib().archive_read_support_format_zip(a.get());
    Lib().archive_read_support_format_rar(a.get());
    Lib().archive_read_support_format_rar5(a.get());
    Lib().archive_read_support_format_7zip(a.get());
    Lib().archive_read_support_format_tar(a.get());
    if (Lib().archive_read_open_filename(a.get(), path.c_str(), 1 << 16) != ARCHIVE_OK) {
        const char* why = Lib().archive_error_string(a.get());
        *error = path + ": cannot read the archive: " + (why ? why : "unknown format");
        a.reset();
    }
    return a;
}

// A regular file, not hidden and not in a hidden folder (such as the
// resource forks some archivers add), with a name that stays inside the
// archive (no "..", not absolute).
bool IsUsableEntry(archive_entry* entry, const std::string& name) {
    if (Lib().archive_entry_filetype(entry) != AE_IFREG || name.starts_with("/")) return false;
    size_t start = 0;
    while (start < name.size()) {
        const size_t end = std::min(name.find('/', start), name.size());
        const std::string_view part(name.data() + start, end - start);
        if (part.starts_with(".") || part == "__MACOSX" || part == "..") return false;
        start = end + 1;
    }
    return true;
}

bool IsPictureEntry(archive_entry* entry, const std::string& name) {
    return IsUsableEntry(entry, name) && HasPictureExtension(name);
}

// How deep a ComicInfo.xml entry lies (0 at the top), or -1 for any other.
int ComicInfoDepth(archive_entry* entry, const std::string& name) {
    if (!IsUsableEntry(entry, name)) return -1;
    const size_t slash = name.find_last_of('/');
    const std::string file = slash == std::string::npos ? name : name.substr(slash + 1);
    if (file.size() != std::strlen(kComicInfoName)) return -1;
    for (size_t i = 0; i < file.size(); ++i)
        if (Fold(file[i]) != Fold(kComicInfoName[i])) return -1;
    return static_cast<int>(std::count(name.begin(), name.end(), '/'));
}

std::string EntryName(archive_entry* entry) {
    const char* utf8 = Lib().archive_entry_pathname_utf8(entry);
    const char* raw = utf8 ? utf8 : Lib().archive_entry_pathname(entry);
    return raw ? raw : "";
}

std::string Where(const std::string& path, const std::string& name) {
    return Printable(name) + " in " + path;
}

std::string TooBig(const std::string& path, const std::string& name, const ArchiveLimits& limits) {
    return Where(path, name) + ": more than " + std::to_string(limits.entryBytes >> 20) +
           " MiB, the most a picture in an archive may take";
}

bool ReadEntry(archive* a, archive_entry* entry, const std::string& path, const std::string& name,
               const ArchiveLimits& limits, QByteArray* data, std::string* error) {
    data->clear();
    if (Lib().archive_entry_size_is_set(entry)) {
        const uint64_t size = uint64_t(std::max<la_int64_t>(0, Lib().archive_entry_size(entry)));
        if (size > limits.entryBytes) {
            *error = TooBig(path, name, limits);
            return false;
        }
        // The declared size is the archive's word only: reserve no more than
        // a generous picture's worth up front and let real data grow it.
        constexpr uint64_t kReserveAtMost = uint64_t(32) << 20;
        data->reserve(static_cast<qsizetype>(std::min(size, kReserveAtMost)));
    }
    char buffer[1 << 16];
    for (;;) {
        const la_ssize_t n = Lib().archive_read_data(a, buffer, sizeof buffer);
        if (n == 0) return true;
        if (n < 0) {
            const char* why = Lib().archive_error_string(a);
            *error = Where(path, name) + ": cannot read: " + (why ? why : "read error");
            return false;
        }
        if (uint64_t(data->size()) + uint64_t(n) > limits.entryBytes) {
            *error = TooBig(path, name, limits);
            return false;
        }
        data->append(buffer, static_cast<qsizetype>(n));
    }
}

// The metadata only adds to a book: what cannot be read of it is left out,
// and one longer than kMaxComicInfoBytes is cut there, which its reader then
// finds broken.
void ReadComicInfoEntry(archive* a, QByteArray* data) {
    data->clear();
    char buffer[1 << 14];
    while (data->size() <= kMaxComicInfoBytes) {
        const la_ssize_t n = Lib().archive_read_data(a, buffer, sizeof buffer);
        if (n <= 0) return;
        data->append(buffer, static_cast<qsizetype>(n));
    }
    data->truncate(kMaxComicInfoBytes);
}

// Walks the archive's entries; `visit` answers false to stop with an error.
bool WalkEntries(const std::string& path, const ArchiveLimits& limits,
                 const std::function<bool(archive*, archive_entry*, uint64_t)>& visit,
                 std::string* error) {
    ArchivePtr a = OpenArchive(path, error);
    if (!a) return false;
    archive_entry* entry = nullptr;
    for (uint64_t ordinal = 0;; ++ordinal) {
        const int r = Lib().archive_read_next_header(a.get(), &entry);
        if (r == ARCHIVE_EOF) return true;
        if (r != ARCHIVE_OK && r != ARCHIVE_WARN) {
            const char* why = Lib().archive_error_string(a.get());
            *error = path + ": cannot read the archive: " + (why ? why : "damaged");
            return false;
        }
        if (ordinal >= limits.entries) {
            *error = path + ": more than " + std::to_string(limits.entries) +
                     " entries, more than a comic archive holds";
            return false;
        }
        if (!visit(a.get(), entry, ordinal)) return false;
    }
}

}  // namespace

bool IsComicArchiveName(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return false;
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), Fold);
    for (const char* known : {"cbz", "cbr", "cb7", "cbt", "zip", "rar", "7z", "tar"})
        if (ext == known) return true;
    return false;
}

bool NaturalLess(std::string_view a, std::string_view b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            const int c = CompareNumbers(a, i, b, j);
            if (c != 0) return c < 0;
            continue;
        }
        const char x = Fold(a[i]), y = Fold(b[j]);
        if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
        ++i;
        ++j;
    }
    if ((i < a.size()) != (j < b.size())) return j < b.size();
    return a < b;  // equal but for case or leading zeros: any fixed order
}

std::string Printable(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return out;
}

bool ListArchivePictures(const std::string& path, const ArchiveLimits& limits,
                         std::vector<ArchivePicture>* pictures, std::string* error,
                         QByteArray* comicInfo) {
    pictures->clear();
    if (comicInfo) comicInfo->clear();
    int infoDepth = -1;
    const bool ok = WalkEntries(
        path, limits,
        [&](archive* a, archive_entry* entry, uint64_t ordinal) {
            const std::string name = EntryName(entry);
            const int depth = comicInfo ? ComicInfoDepth(entry, name) : -1;
            if (depth >= 0 && (infoDepth < 0 || depth < infoDepth)) {
                ReadComicInfoEntry(a, comicInfo);
                infoDepth = depth;
                return true;
            }
            if (!IsPictureEntry(entry, name)) return true;
            if (Lib().archive_entry_size_is_set(entry) &&
                uint64_t(Lib().archive_entry_size(entry)) > limits.entryBytes) {
                *error = TooBig(path, name, limits);
                return false;
            }
            pictures->push_back({name, ordinal});
            return true;
        },
        error);
    std::stable_sort(pictures->begin(), pictures->end(),
                     [](const ArchivePicture& a, const ArchivePicture& b) {
                         return NaturalLess(a.name, b.name);
                     });
    return ok;
}

bool ReadArchivePictures(const std::string& path, const ArchiveLimits& limits,
                         const std::function<bool(uint64_t ordinal)>& wanted,
                         const ArchiveEntrySink& take, std::string* error) {
    QByteArray data;
    return WalkEntries(
        path, limits,
        [&](archive* a, archive_entry* entry, uint64_t ordinal) {
            if (!wanted(ordinal)) return true;
            const std::string name = EntryName(entry);
            if (!ReadEntry(a, entry, path, name, limits, &data, error)) return false;
            return take(ordinal, name, data, error);
        },
        error);
}

struct CbzWriter::State {
    AtomicFile file;
    archive* zip = nullptr;
    std::time_t modified = 0;
    std::string path;
    ~State() {
        if (zip) Lib().archive_write_free(zip);
    }
};

namespace {

la_ssize_t WriteToFile(archive*, void* client, const void* data, size_t size) {
    auto* state = static_cast<CbzWriter::State*>(client);
    return state->file.Write(data, size) ? static_cast<la_ssize_t>(size) : -1;
}

}  // namespace

CbzWriter::CbzWriter() = default;
CbzWriter::~CbzWriter() = default;

bool CbzWriter::Begin(const std::string& path, std::time_t modified, std::string* error) {
    // Before the file is begun: nothing is left behind.
    if (Unbound(path, error)) return false;
    state_ = std::make_unique<State>();
    state_->path = path;
    state_->modified = modified;
    if (!state_->file.Begin(path)) {
        *error = path + ": " + std::strerror(state_->file.error());
        state_.reset();
        return false;
    }
    state_->zip = Lib().archive_write_new();
    if (!state_->zip || Lib().archive_write_set_format_zip(state_->zip) != ARCHIVE_OK ||
        Lib().archive_write_set_options(state_->zip, "zip:compression=store") != ARCHIVE_OK ||
        Lib().archive_write_open(state_->zip, state_.get(), nullptr, &WriteToFile, nullptr) !=
            ARCHIVE_OK) {
        *error = path + ": cannot write the archive";
        state_.reset();
        return false;
    }
    return true;
}

bool CbzWriter::Add(const std::string& name, const QByteArray& data, std::string* error) {
    if (!state_) return false;
    std::unique_ptr<archive_entry, void (*)(archive_entry*)> entry(Lib().archive_entry_new(),
                                                                   Lib().archive_entry_free);
    Lib().archive_entry_set_pathname_utf8(entry.get(), name.c_str());
    Lib().archive_entry_set_filetype(entry.get(), AE_IFREG);
    Lib().archive_entry_set_perm(entry.get(), 0644);
    Lib().archive_entry_set_size(entry.get(), data.size());
    Lib().archive_entry_set_mtime(entry.get(), state_->modified, 0);
    if (Lib().archive_write_header(state_->zip, entry.get()) != ARCHIVE_OK ||
        Lib().archive_write_data(state_->zip, data.constData(), static_cast<size_t>(data.size())) !=
            data.size()) {
        const int why = state_->file.error();
        *error = state_->path + ": cannot write " + name + ": " +
                 (why != 0 ? std::strerror(why) : "the archive refused it");
        state_.reset();
        return false;
    }
    return true;
}

bool CbzWriter::Finish(std::string* error) {
    if (!state_) return false;
    const bool closed = Lib().archive_write_close(state_->zip) == ARCHIVE_OK;
    if (!closed || !state_->file.Commit()) {
        const int why = state_->file.error();
        *error = state_->path + ": cannot write the archive: " +
                 (why != 0 ? std::strerror(why) : "the archive could not be finished");
        state_.reset();
        return false;
    }
    state_.reset();
    return true;
}

}  // namespace inkvista::bookwriter
