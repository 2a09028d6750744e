// The library: the folders books are found in, the book records of the last
// refresh, the bookmark files, and what the list does with a tap, a hold, a
// double tap, Enter and the popup commands. The list window paints what
// this holds and turns its events into these operations. No Qt.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "book/BookState.h"
#include "models/LibraryHost.h"
#include "models/OpenRequest.h"
#include "models/StorageCards.h"
#include "platform/Device.h"
#include "settings/TextConversion.h"
#include "settings/UserDir.h"

namespace inkvista {

class JsonValue;

// One listed book file.
struct BookEntry {
    FolderSlot slot = FolderSlot::Main;
    BookKind kind = BookKind::Cmb;
    std::u16string fileName;     // as the directory listing gives it
    std::u16string displayName;  // how the list shows fileName
    std::u16string title;        // the header's title, or fileName
    int32_t pageCount = 0;
    int32_t bookmarkPage = 0;  // last page read, from 0
    bool hidden = false;
    std::u16string folderPath;  // with its trailing backslash
    int32_t indexInFolder = 0;
    double sizeMB = 0;  // size in bytes / 1048576
};

// What the library takes from the main window's settings. The main window
// hands it over whenever one of them changes.
struct LibrarySettings {
    UserDir userDir{};
    // The main window polls the storage cards (the FUJITSU Pocket LOOX).
    bool isLoox = false;
    // The main window's showHiddenFiles as it is now.
    bool showHiddenFiles = false;
    // How header titles become text (from koreanPatch).
    TextConversion textConversion = TextConversion::System;
};

// What a refresh found that the main window keeps.
struct RefreshReport {
    // CheckUserDir's answer at this refresh: the main window's userDirExists.
    bool userDirExists = false;
    // On the LOOX: whether "\Storage Card" and "\Storage Card2" exist now.
    bool cardsProbed = false;
    uint8_t card1Present = 0;
    uint8_t card2Present = 0;
};

// The popup menu's commands.
enum LibraryCommand : int {
    kCommandInfo = 32774,
    kCommandOpen = 32775,
    kCommandDelete = 32776,
    kCommandHide = 32781,
};

// Tap-and-hold: timer 1 of the list, one second.
constexpr unsigned kHoldTimerId = 1;
constexpr unsigned kHoldTimeMs = 1000;

// Where a tap or double tap landed among the rows the control tested.
struct RowHit {
    int32_t row = -1;            // the hit row, -1 for none
    int32_t pastLastTested = 0;  // one past the last row tested
};

class LibraryModel {
  public:
    LibraryModel(Device& device, LibraryHost& host);
    ~LibraryModel();
    LibraryModel(const LibraryModel&) = delete;
    LibraryModel& operator=(const LibraryModel&) = delete;

    void SetSettings(const LibrarySettings& settings) { settings_ = settings; }
    const LibrarySettings& settings() const { return settings_; }

    // The refresh without the control: forgets every entry (and so the
    // current entry), finds the documents folder and the cards, re-checks
    // the user folder, scans the five folders, makes the cards' InkVISTA
    // folders and runs the bookmark pass.
    RefreshReport Refresh();

    // --- the list's input ---------------------------------------------
    // A tap: on a row it becomes the current entry and the hold timer
    // starts; selectedIndex becomes the row, or one past the last row
    // tested.
    void Tap(const RowHit& hit);
    // Button up, a pointer move, the control's click, a double tap.
    void CancelHold();
    // A right-click (the desktop's hold): a tap, and on a row the popup at
    // once, as holding it for the second does.
    void RightClick(const RowHit& hit);
    // A double tap: on the row of selectedIndex the book opens (true);
    // on another row that row only becomes selectedIndex.
    bool DoubleTap(const RowHit& hit);
    // Enter with `selectedRow` selected (-1 for none): the book opens.
    void Enter(int32_t selectedRow);
    // The popup's items as the menu shows them now: command id and text.
    std::vector<std::pair<int, std::u16string>> PopupItems() const;
    // A command chosen from the popup. Nothing happens without a current
    // entry (a refresh came between the tap and the choice).
    void Command(int id);

    // RequestOpen and the open: the current entry's name, page, slot and
    // kind go into the open request, then the host opens it.
    void OpenCurrent();
    // The opener's request (the script's `open` and older callers).
    void SetOpenRequest(const OpenRequest& request) { openRequest_ = request; }
    // The entry of `slot` named exactly `fileName` becomes current; false
    // when there is none.
    bool SetCurrentByName(FolderSlot slot, std::u16string_view fileName);
    void Select(int32_t index) { selectedIndex_ = index; }

    // Remembers `page` for the current entry in its folder's bookmark file,
    // then the host refreshes.
    void SaveBookmark(int32_t page);

    // --- what the list shows -----------------------------------------------
    int32_t selectedIndex() const { return selectedIndex_; }
    const OpenRequest& openRequest() const { return openRequest_; }
    const BookEntry* currentEntry() const;
    unsigned holdTimer() const { return holdTimer_; }
    bool showFileName() const { return showFileName_; }
    bool showSize() const { return showSize_; }
    // The column taps: the flag flips (the window sets the heading and
    // refreshes).
    void ToggleShowFileName() { showFileName_ = !showFileName_; }
    void ToggleShowSize() { showSize_ = !showSize_; }

    const std::vector<BookEntry>& entries() const { return entries_; }
    const std::array<int32_t, kFolderSlotCount>& folderBookCount() const {
        return folderBookCount_;
    }
    // The five folders of the last refresh.
    const BookFolders& Folders() const { return folders_; }
    const std::u16string& documentsRoot() const { return folders_.documentsRoot; }
    const std::array<std::u16string, 3>& cardNames() const { return folders_.cardNames; }
    int32_t cardCount() const { return folders_.cardCount; }
    bool userDirExists() const { return folders_.userDirExists; }

    // The model's members of the script state's "list" object.
    void WriteState(JsonValue& list) const;

  private:
    // LibraryScan.cpp
    void ScanBooks();
    void ScanPattern(FolderSlot slot, BookKind kind, int32_t& count);
    void EnsureCardFolders();
    // LibraryBookmarks.cpp
    void SyncBookmarks();
    bool SlotFolderPresent(FolderSlot slot);
    void SyncSlot(FolderSlot slot);
    void RemoveStaleBookmarkTemporaries(const std::u16string& path);
    bool WriteSavedPage(const BookEntry& book, int32_t page);
    int32_t FirstOfSlot(FolderSlot slot) const;
    std::string SlotLines(FolderSlot slot, int32_t savedIndex, int32_t savedPage) const;
    // LibraryInput.cpp
    void OnHoldTimer();
    void ShowBookInfo();
    void HideCurrent();
    void DeleteCurrent();

    Device& device_;
    LibraryHost& host_;
    LibrarySettings settings_;

    // List state.
    unsigned holdTimer_ = 0;
    int32_t selectedIndex_ = 0;
    OpenRequest openRequest_;
    int32_t currentEntry_ = -1;  // index into entries_, -1 for none
    bool showFileName_ = false;
    bool showSize_ = false;
    // Scan state.
    std::vector<BookEntry> entries_;
    std::array<int32_t, kFolderSlotCount> folderBookCount_{};
    // A hidden book the scan passed over because hidden books are not
    // shown: its bookmark line is kept, before the entry at `position`.
    struct UnlistedBook {
        std::u16string fileName;
        size_t position = 0;
    };
    std::array<std::vector<UnlistedBook>, kFolderSlotCount> unlisted_;
    std::set<std::u16string> cleanedFolders_;
    BookFolders folders_;
    bool showHiddenSnapshot_ = false;
};

}  // namespace inkvista
