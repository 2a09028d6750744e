// The bookmark pass of a refresh and SaveBookmark: every present folder's
// file is read into the pages of its entries and written back with exactly
// one line per entry. A rewrite goes to a temporary beside the file and is
// renamed over it, so a crash or a full card never leaves a folder without
// its reading positions.
#include "models/LibraryBookmarks.h"

#include <limits>
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

void AppendBookmarkLine(std::string& bytes, std::u16string_view name, int32_t page) {
    auto unit = [&bytes](char16_t u) {
        bytes.push_back(static_cast<char>(u & 0xFF));
        bytes.push_back(static_cast<char>(u >> 8));
    };
    for (char16_t u : name) unit(u);
    unit(u'\t');
    for (char c : std::to_string(page)) unit(static_cast<char16_t>(c));
    unit(u'\n');
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

void BookmarkReader::Unit(char16_t unit) {
    if (unit == u'\n') {
        std::u16string_view name;
        int32_t page = 0;
        if (!overlong_ && ParseBookmarkLine(text_, &name, &page)) line_(name, page);
        text_.clear();
        overlong_ = false;
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

// --- the bookmark pass ---------------------------------------------------------

int32_t LibraryModel::FirstOfSlot(int32_t slot) const {
    int32_t first = 0;
    for (int32_t s = 0; s < slot; ++s) first += folderBookCount_[static_cast<size_t>(s)];
    return first;
}

std::string LibraryModel::SlotLines(int32_t slot, int32_t savedIndex, int32_t savedPage) const {
    std::string bytes;
    const int32_t first = FirstOfSlot(slot);
    const int32_t n = folderBookCount_[static_cast<size_t>(slot)];
    for (int32_t k = 0; k < n; ++k) {
        const BookEntry& e = entries_[static_cast<size_t>(first + k)];
        AppendBookmarkLine(bytes, e.fileName, k == savedIndex ? savedPage : e.bookmarkPage);
    }
    return bytes;
}

bool LibraryModel::SlotFolderPresent(int32_t slot) {
    std::u16string folder;
    if (slot == 0) {
        folder = documentsRoot_ + u"\\InkVISTA";
    } else if (slot <= 3) {
        if (slot > cards_.count) return false;
        folder = u"\\" + cards_.names[static_cast<size_t>(slot - 1)] + u"\\InkVISTA";
    } else {
        if (!userDirExists_) return false;
        folder = std::u16string(UserDirText(settings_.userDir));
    }
    FindData found;
    FindHandle search = device_.files().FindFirst(folder, &found);
    const bool present = search.IsValid();
    search.Close();
    return present;
}

void LibraryModel::SyncBookmarks() {
    for (int32_t slot = 0; slot < kSlotCount; ++slot) {
        if (SlotFolderPresent(slot)) SyncSlot(slot);
    }
}

void LibraryModel::SyncSlot(int32_t slot) {
    FileSystem& files = device_.files();
    const std::u16string path = FolderPath(slot) + std::u16string(kBookmarkFileName);
    const size_t first = static_cast<size_t>(FirstOfSlot(slot));
    const size_t n = static_cast<size_t>(folderBookCount_[static_cast<size_t>(slot)]);

    // What opening the file for reading and writing needs: the file itself,
    // and the right to replace it.
    File existing = files.Open(path, FileAccess::Read, FileCreation::OpenExisting);
    if (!existing || !files.CanReplace(path)) {
        existing.Close();
        // Every entry of the slot still has page 0 from the scan.
        AtomicFile created;
        const std::string lines = SlotLines(slot, -1, 0);
        if (!files.BeginReplace(path, created) || !created.Write(lines) || !created.Commit()) {
            device_.messages().Show(kCreateError);
        }
        return;
    }

    std::unordered_map<std::u16string_view, int32_t> pages;
    pages.reserve(n);
    for (size_t k = 0; k < n; ++k) pages.emplace(entries_[first + k].fileName, -1);
    BookmarkReader reader([&pages](std::u16string_view name, int32_t page) {
        const auto it = pages.find(name);
        if (it != pages.end() && it->second < 0) it->second = page < 0 ? 0 : page;
    });
    const bool keepOld = existing.Size() <= kMaxComparedBytes;
    std::string old;
    std::vector<uint8_t> chunk(kReadChunk);
    uint32_t got = 0;
    while (existing.Read(chunk.data(), kReadChunk, &got) && got > 0) {
        reader.Feed(chunk.data(), got);
        if (keepOld) old.append(reinterpret_cast<const char*>(chunk.data()), got);
    }
    existing.Close();

    std::vector<int32_t> found(n, 0);
    std::string lines;
    for (size_t k = 0; k < n; ++k) {
        const BookEntry& e = entries_[first + k];
        const int32_t page = pages[e.fileName];
        found[k] = page < 0 ? 0 : UsablePage(page, e.pageCount);
        AppendBookmarkLine(lines, e.fileName, found[k]);
    }
    if (!keepOld || lines != old) {
        AtomicFile rewritten;
        if (!files.BeginReplace(path, rewritten) || !rewritten.Write(lines) ||
            !rewritten.Commit()) {
            // The old file stays whole; the entries keep page 0.
            device_.messages().Show(kRewriteError);
            return;
        }
    }
    for (size_t k = 0; k < n; ++k) entries_[first + k].bookmarkPage = found[k];
}

void LibraryModel::SaveBookmark(int32_t page) {
    if (const BookEntry* current = currentEntry()) {
        const std::string lines = SlotLines(current->slot, current->indexInFolder, page);
        const std::u16string path = current->folderPath + std::u16string(kBookmarkFileName);
        AtomicFile out;
        FileSystem& files = device_.files();
        if (!files.BeginReplace(path, out) || !out.Write(lines) || !out.Commit()) {
            if (current->slot == 0) {
                device_.messages().Show(kMainSaveError);
            } else {
                selectedIndex_ = 0;
            }
        }
    }
    host_.RefreshLibrary();
}

}  // namespace inkvista
