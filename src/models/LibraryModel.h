// The library: the folders books are found in, the book records, the
// selection and the open request of the list. The list window paints what
// this holds and turns its events into these operations. No Qt.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "book/BookState.h"
#include "models/OpenRequest.h"
#include "models/StorageCards.h"
#include "platform/Device.h"
#include "settings/UserDir.h"

namespace inkvista {

class JsonValue;

// One listed book file.
struct BookEntry {
    int32_t slot = 0;  // folder slot 0-4
    BookKind kind = BookKind::Cmb;
    std::u16string fileName;
    std::u16string title;
    int32_t pageCount = 0;
    int32_t bookmarkPage = 0;
    uint8_t hidden = 0;
    std::u16string folderPath;  // with its trailing backslash
    int32_t indexInFolder = 0;
    double sizeMB = 0;
};

// What the library takes from the main window's settings. The main window
// hands it over whenever one of them changes.
struct LibrarySettings {
    UserDir userDir{};
    // The main window polls the storage cards (the FUJITSU Pocket LOOX).
    bool isLoox = false;
};

// What a refresh found that the main window keeps.
struct RefreshReport {
    // On the LOOX: whether "\Storage Card" and "\Storage Card2" exist now.
    bool cardsProbed = false;
    uint8_t card1Present = 0;
    uint8_t card2Present = 0;
};

class LibraryModel {
  public:
    explicit LibraryModel(Device& device);
    LibraryModel(const LibraryModel&) = delete;
    LibraryModel& operator=(const LibraryModel&) = delete;

    void SetSettings(const LibrarySettings& settings) { settings_ = settings; }
    const LibrarySettings& settings() const { return settings_; }

    // The library refresh as this version has it: documentsRoot and the
    // card folders are found again and, on the LOOX, the two cards probed.
    // The folders are not scanned for books: `entries` stays empty.
    RefreshReport Refresh();

    // The tap's choice of row.
    void Select(int32_t index) { selectedIndex_ = index; }
    void SetOpenRequest(const OpenRequest& request) { openRequest_ = request; }

    int32_t selectedIndex() const { return selectedIndex_; }
    const OpenRequest& openRequest() const { return openRequest_; }
    int32_t showFileName() const { return showFileName_; }
    int32_t showSize() const { return showSize_; }
    const std::vector<BookEntry>& entries() const { return entries_; }
    const std::array<int32_t, 5>& folderBookCount() const { return folderBookCount_; }
    const std::u16string& documentsRoot() const { return documentsRoot_; }
    const std::array<std::u16string, 3>& cardNames() const { return cards_.names; }
    int32_t cardCount() const { return cards_.count; }

    // The five folders of the last refresh, for the book opener.
    BookFolders Folders() const;

    // The model's members of the script state's "list" object.
    void WriteState(JsonValue& list) const;

  private:
    Device& device_;
    LibrarySettings settings_;

    // List state.
    int32_t selectedIndex_ = 0;
    OpenRequest openRequest_;
    int32_t showFileName_ = 0;
    int32_t showSize_ = 0;
    // Scan state.
    std::vector<BookEntry> entries_;
    std::array<int32_t, 5> folderBookCount_{};
    std::u16string documentsRoot_;
    CardFolders cards_;
};

}  // namespace inkvista
