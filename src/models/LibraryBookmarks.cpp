// The bookmark pass of a refresh and SaveBookmark: every present folder's
// file is read into the pages of its entries and written back with one line
// per entry, and the lines of hidden books that are not listed now kept in
// their places. SaveBookmark reads the file again and changes only the line
// of the book that was read, so that another writer (a second reader, the
// device on a shared card) loses nothing. A rewrite goes to a temporary
// beside the file and is renamed over it, so a crash or a full card never
// leaves a folder without its reading positions.
#include "models/LibraryBookmarks.h"

#include <limits>
#include <optional>
#include <unordered_map>
#include <vector>

#include "models/LibraryModel.h"
#include "platform/AtomicFile.h"
#include "platform/ByteOrder.h"

namespace inkvista {

namespace {

constexpr std::u16string_view kCreateError = u"Error on Creating Bookmark File";
constexpr std::u16string_view kRewriteError = u"Error on Reading Bookmark File";
constexpr std::u16string_view kMainSaveError = u"Error on Reading Bookmark File in Memory";

// Longer than a file name (under 260 units), a TAB and any 32-bit number.
constexpr size_t kMaxLineUnits = 1024;
// A file up to this size is kept while it is read, so that one whose content
// would not change is not written again.
constexpr uint64_t kMaxComparedBytes = 8u << 20;
constexpr uint32_t kReadChunk = 64 * 1024;

bool IsScanSpace(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

// The page a line gives a book: a page the book cannot show (a negative one,
// or one past its end, say after the file was replaced by a shorter book)
// would make it fail to open for ever; it starts again at the first page.
int32_t UsablePage(int32_t page, int32_t pageCount) {
    if (page < 0 || (pageCount > 0 && page >= pageCount)) return 0;
    return page;
}

}  // namespace

bool ParseBookmarkLine(std::u16string_view line, std::u16string_view* name, int32_t* page) {
    const size_t tab = line.find(u'\t');
    if (tab == std::u16string_view::npos) return false;
    *name = line.substr(0, tab);
    size_t i = tab + 1;
    while (i < line.size() && IsScanSpace(line[i])) ++i;
    bool negative = false;
    if (i < line.size() && (line[i] == u'+' || line[i] == u'-')) negative = line[i++] == u'-';
    const size_t digits = i;
    int64_t value = 0;
    for (; i < line.size() && line[i] >= u'0' && line[i] <= u'9'; ++i) {
        value = value * 10 + (line[i] - u'0');
        if (value > int64_t{std::numeric_limits<int32_t>::max()} + 1) return false;
    }
    if (i == digits) return false;
    if (negative) value = -value;
    if (value > std::numeric_limits<int32_t>::max()) return false;
    *page = static_cast<int32_t>(value);
    return true;
}

namespace {

void AppendUnit(std::string& bytes, char16_t u) {
    bytes.push_back(static_cast<char>(u & 0xFF));
    bytes.push_back(static_cast<char>(u >> 8));
}

void AppendUnits(std::string& bytes, std::u16string_view text) {
    for (char16_t u : text) AppendUnit(bytes, u);
}

}  // namespace

void AppendBookmarkLine(std::string& bytes, std::u16string_view name, int32_t page) {
    AppendUnits(bytes, name);
    AppendUnit(bytes, u'\t');
    for (char c : std::to_string(page)) AppendUnit(bytes, static_cast<char16_t>(c));
    AppendUnit(bytes, u'\n');
}

void BookmarkReader::Feed(const uint8_t* data, size_t size) {
    size_t i = 0;
    if (lowByte_ >= 0 && size > 0) {
        Unit(static_cast<char16_t>(lowByte_ | (data[0] << 8)));
        lowByte_ = -1;
        i = 1;
    }
    for (; i + 1 < size; i += 2) Unit(LoadLE16(data + i));
    if (i < size) lowByte_ = data[i];
}

void BookmarkReader::Finish() {
    lowByte_ = -1;
    if (!text_.empty() || overlong_) EndLine();
}

void BookmarkReader::EndLine() {
    std::u16string_view name;
    int32_t page = 0;
    if (!overlong_ && ParseBookmarkLine(text_, &name, &page)) line_(name, page, text_);
    text_.clear();
    overlong_ = false;
}

void BookmarkReader::Unit(char16_t unit) {
    if (unit == u'\n') {
        EndLine();
        return;
    }
    if (overlong_) return;
    if (text_.size() == kMaxLineUnits) {
        overlong_ = true;
        text_.clear();
        return;
    }
    text_.push_back(unit);
}

// --- SaveBookmark's copy ----------------------------------------------------

void BookmarkPageUpdate::Feed(const uint8_t* data, size_t size, std::string& out) {
    size_t i = 0;
    if (lowByte_ >= 0 && size > 0) {
        Unit(static_cast<char16_t>(lowByte_ | (data[0] << 8)), out);
        lowByte_ = -1;
        i = 1;
    }
    for (; i + 1 < size; i += 2) Unit(LoadLE16(data + i), out);
    if (i < size) lowByte_ = data[i];
}

void BookmarkPageUpdate::Unit(char16_t unit, std::string& out) {
    if (unit == u'\n') {
        EndLine(out);
        AppendUnit(out, u'\n');
        return;
    }
    if (overlong_) {
        AppendUnit(out, unit);
        return;
    }
    if (text_.size() == kMaxLineUnits) {
        // Never a line the reader counts: passed on as it is, unheld.
        overlong_ = true;
        AppendUnits(out, text_);
        AppendUnit(out, unit);
        text_.clear();
        return;
    }
    text_.push_back(unit);
}

// The line just read, without its LF: the first line that counts for the
// book takes the new page; every other line goes on unchanged.
void BookmarkPageUpdate::EndLine(std::string& out) {
    std::u16string_view lineName;
    int32_t linePage = 0;
    if (!overlong_ && !done_ && ParseBookmarkLine(text_, &lineName, &linePage) &&
        lineName == name_) {
        AppendUnits(out, lineName);
        AppendUnit(out, u'\t');
        for (char c : std::to_string(page_)) AppendUnit(out, static_cast<char16_t>(c));
        done_ = true;
    } else if (!overlong_) {
        AppendUnits(out, text_);
    }
    text_.clear();
    overlong_ = false;
}

void BookmarkPageUpdate::Finish(std::string& out) {
    // An odd last byte carries no unit; the line after it would be garbled.
    lowByte_ = -1;
    if (!text_.empty() || overlong_) {
        EndLine(out);
        AppendUnit(out, u'\n');
    }
    if (!done_) AppendBookmarkLine(out, name_, page_);
    done_ = true;
}

// --- the bookmark pass ---------------------------------------------------------

namespace {

// Hands the file to `feed` a piece at a time; false when a read fails.
template <typename Feed>
bool ReadPieces(File& file, Feed&& feed) {
    std::vector<uint8_t> chunk(kReadChunk);
    uint32_t got = 0;
    for (;;) {
        if (!file.Read(chunk.data(), kReadChunk, &got)) return false;
        if (got == 0) return true;
        feed(chunk.data(), got);
    }
}

}  // namespace

int32_t LibraryModel::FirstOfSlot(FolderSlot slot) const {
    int32_t first = 0;
    for (size_t s = 0; s < SlotIndex(slot); ++s) first += folderBookCount_[s];
    return first;
}

std::string LibraryModel::SlotLines(FolderSlot slot, int32_t savedIndex, int32_t savedPage) const {
    std::string bytes;
    const int32_t first = FirstOfSlot(slot);
    const int32_t n = folderBookCount_[SlotIndex(slot)];
    for (int32_t k = 0; k < n; ++k) {
        const BookEntry& e = entries_[static_cast<size_t>(first + k)];
        AppendBookmarkLine(bytes, e.fileName, k == savedIndex ? savedPage : e.bookmarkPage);
    }
    return bytes;
}

bool LibraryModel::SlotFolderPresent(FolderSlot slot) {
    if (!folders_.Searched(slot)) return false;
    std::u16string folder = folders_.PathOf(slot);
    folder.pop_back();  // the folder itself, not its contents
    FindData found;
    FindHandle search = device_.files().FindFirst(folder, &found);
    const bool present = search.IsValid();
    search.Close();
    return present;
}

void LibraryModel::SyncBookmarks() {
    for (const FolderSlot slot : kFolderSlots) {
        if (SlotFolderPresent(slot)) SyncSlot(slot);
    }
}

void LibraryModel::RemoveStaleBookmarkTemporaries(const std::u16string& path) {
    // Once a run for each folder: a killed write is rare, a refresh is not.
    if (!cleanedFolders_.insert(path).second) return;
    if (const auto host = device_.files().mapper().Resolve(path)) RemoveStaleTemporaries(*host);
}

void LibraryModel::SyncSlot(FolderSlot slot) {
    FileSystem& files = device_.files();
    const std::u16string path = folders_.PathOf(slot) + std::u16string(kBookmarkFileName);
    const size_t first = static_cast<size_t>(FirstOfSlot(slot));
    const size_t n = static_cast<size_t>(folderBookCount_[SlotIndex(slot)]);
    RemoveStaleBookmarkTemporaries(path);

    // What opening the file for reading and writing needs: the file itself,
    // and the right to replace it.
    File existing = files.Open(path, FileAccess::Read, FileCreation::OpenExisting);
    if (!existing || !files.CanReplace(path)) {
        existing.Close();
        // Every entry of the slot still has page 0 from the scan.
        AtomicFile created;
        const std::string lines = SlotLines(slot, -1, 0);
        if (!files.BeginReplace(path, created) || !created.Write(lines) || !created.Commit()) {
            host_.ShowMessage(kCreateError);
        }
        return;
    }

    std::unordered_map<std::u16string_view, int32_t> pages;
    pages.reserve(n);
    for (size_t k = 0; k < n; ++k) pages.emplace(entries_[first + k].fileName, -1);
    // The hidden books not listed now keep their lines as they were.
    const std::vector<UnlistedBook>& unlisted = unlisted_[SlotIndex(slot)];
    std::unordered_map<std::u16string_view, std::optional<std::u16string>> kept;
    for (const UnlistedBook& book : unlisted) kept.emplace(book.fileName, std::nullopt);
    BookmarkReader reader([&pages, &kept](std::u16string_view name, int32_t page,
                                          std::u16string_view text) {
        if (const auto it = pages.find(name); it != pages.end()) {
            if (it->second < 0) it->second = page < 0 ? 0 : page;
        } else if (const auto hidden = kept.find(name); hidden != kept.end() && !hidden->second) {
            hidden->second = std::u16string(text);
        }
    });
    const bool keepOld = existing.Size() <= kMaxComparedBytes;
    std::string old;
    ReadPieces(existing, [&](const uint8_t* data, uint32_t size) {
        reader.Feed(data, size);
        if (keepOld) old.append(reinterpret_cast<const char*>(data), size);
    });
    reader.Finish();
    existing.Close();

    std::vector<int32_t> found(n, 0);
    std::string lines;
    size_t nextUnlisted = 0;
    // The lines of unlisted books that stand before the book at `position`.
    auto keepUnlistedBefore = [&](size_t position) {
        for (; nextUnlisted < unlisted.size() && unlisted[nextUnlisted].position <= position;
             ++nextUnlisted) {
            const std::optional<std::u16string>& line = kept[unlisted[nextUnlisted].fileName];
            if (!line) continue;
            AppendUnits(lines, *line);
            AppendUnit(lines, u'\n');
        }
    };
    for (size_t k = 0; k < n; ++k) {
        keepUnlistedBefore(k);
        const BookEntry& e = entries_[first + k];
        const int32_t page = pages[e.fileName];
        found[k] = page < 0 ? 0 : UsablePage(page, e.pageCount);
        AppendBookmarkLine(lines, e.fileName, found[k]);
    }
    keepUnlistedBefore(n);
    if (!keepOld || lines != old) {
        AtomicFile rewritten;
        if (!files.BeginReplace(path, rewritten) || !rewritten.Write(lines) ||
            !rewritten.Commit()) {
            // The old file stays whole; the entries keep page 0.
            host_.ShowMessage(kRewriteError);
            return;
        }
    }
    for (size_t k = 0; k < n; ++k) entries_[first + k].bookmarkPage = found[k];
}

bool LibraryModel::WriteSavedPage(const BookEntry& book, int32_t page) {
    FileSystem& files = device_.files();
    const std::u16string path = book.folderPath + std::u16string(kBookmarkFileName);
    AtomicFile out;
    if (!files.BeginReplace(path, out)) return false;
    File existing = files.Open(path, FileAccess::Read, FileCreation::OpenExisting);
    if (!existing) {
        // No file to keep anything of (the refresh could not make one).
        return files.LastError() == ERROR_FILE_NOT_FOUND &&
               out.Write(SlotLines(book.slot, book.indexInFolder, page)) && out.Commit();
    }
    BookmarkPageUpdate update(book.fileName, page);
    std::string piece;
    bool written = true;
    const bool read = ReadPieces(existing, [&](const uint8_t* data, uint32_t size) {
        update.Feed(data, size, piece);
        written = written && out.Write(piece);
        piece.clear();
    });
    existing.Close();
    update.Finish(piece);
    return read && written && out.Write(piece) && out.Commit();
}

void LibraryModel::SaveBookmark(int32_t page) {
    if (const BookEntry* current = currentEntry()) {
        if (!WriteSavedPage(*current, page)) {
            if (current->slot == FolderSlot::Main) {
                host_.ShowMessage(kMainSaveError);
            } else {
                selectedIndex_ = 0;
            }
        }
    }
    host_.RefreshLibrary();
}

}  // namespace inkvista
