#include "models/LibraryModel.h"

#include "models/Json.h"

namespace inkvista {

LibraryModel::LibraryModel(Device& device, LibraryHost& host) : device_(device), host_(host) {}

LibraryModel::~LibraryModel() {
    if (holdTimer_ != 0) device_.timers().KillTimer(this, holdTimer_);
}

RefreshReport LibraryModel::Refresh() {
    entries_.clear();
    // The entry it pointed at is gone; a command now needs a new tap.
    currentEntry_ = -1;
    folders_ = BookFolders{};

    folders_.documentsRoot = device_.shell().PersonalFolder();
    const CardFolders cards = FindCardFolders(device_);
    folders_.cardNames = cards.names;
    folders_.cardCount = cards.count;
    showHiddenSnapshot_ = settings_.showHiddenFiles;
    folders_.userDir = std::u16string(UserDirText(settings_.userDir));
    folders_.userDirExists = CheckUserDir(device_, settings_.userDir);
    ScanBooks();
    EnsureCardFolders();
    SyncBookmarks();

    RefreshReport report;
    report.userDirExists = folders_.userDirExists;
    if (settings_.isLoox) {
        report.cardsProbed = true;
        report.card1Present = ProbeStorageCard(device_);
        report.card2Present = ProbeStorageCard2(device_);
    }
    return report;
}

const BookEntry* LibraryModel::currentEntry() const {
    if (currentEntry_ < 0 || currentEntry_ >= static_cast<int32_t>(entries_.size())) return nullptr;
    return &entries_[static_cast<size_t>(currentEntry_)];
}

bool LibraryModel::SetCurrentByName(FolderSlot slot, std::u16string_view fileName) {
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].slot == slot && entries_[i].fileName == fileName) {
            currentEntry_ = static_cast<int32_t>(i);
            return true;
        }
    }
    return false;
}

void LibraryModel::WriteState(JsonValue& list) const {
    list["selectedIndex"] = selectedIndex_;
    list["showFileName"] = showFileName_;
    list["showSize"] = showSize_;
    JsonValue& counts = list["folderBookCount"] = JsonValue::Array();
    for (int32_t count : folderBookCount_) counts.Append(count);
    JsonValue& cards = list["cardNames"] = JsonValue::Array();
    for (int32_t k = 0; k < folders_.cardCount; ++k) {
        cards.Append(folders_.cardNames[static_cast<size_t>(k)]);
    }
    JsonValue& entries = list["entries"] = JsonValue::Array();
    for (const BookEntry& e : entries_) {
        JsonValue& item = entries.Append(JsonValue::Object());
        item["slot"] = static_cast<int32_t>(SlotIndex(e.slot));
        item["kind"] = static_cast<int>(e.kind);
        item["fileName"] = e.fileName;
        item["displayName"] = e.displayName;
        item["title"] = e.title;
        item["pageCount"] = e.pageCount;
        item["bookmarkPage"] = e.bookmarkPage;
        item["hidden"] = e.hidden;
        item["indexInFolder"] = e.indexInFolder;
        item["sizeMB"] = e.sizeMB;
    }
}

}  // namespace inkvista
