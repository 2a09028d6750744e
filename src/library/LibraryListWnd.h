// The library list on the home screen: a report-style list control with two
// columns, child window 1001 of the main window.
#pragma once

#include <QRect>
#include <QString>
#include <QStringList>
#include <QTreeWidget>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "book/BookState.h"
#include "platform/Device.h"

namespace inkvista {

class BackWnd;

// The book the main window opens next (SwitchScreen(1002)).
struct OpenRequest {
    std::u16string fileName;
    int32_t bookmarkPage = 0;
    int32_t slotNumber = 0;  // folder slot + 1
};

// One row as the control shows it.
struct ListRow {
    QString column0;
    QString column1;
    int icon = 0;
};

class LibraryListWnd : public QTreeWidget {
    Q_OBJECT

  public:
    LibraryListWnd(Device& device, BackWnd* owner);
    ~LibraryListWnd() override;

    // Window creation: takes its rectangle (right and bottom exclusive) and
    // id, inserts the two columns and refreshes.
    bool Create(const QRect& rect, int id);

    // Rebuilds the library. So far it finds the folders books are opened
    // from (documents folder and storage cards) and records the storage
    // cards for the LOOX poll; scanning the folders and filling the rows come
    // with the library scan. Every call is counted.
    void RefreshLibrary();
    int refreshCount = 0;

    // Remembers `page` as the bookmark of the current book, then refreshes.
    // The bookmark file itself comes with the library; so far only the
    // refresh happens and the page is kept in lastSavedBookmarkPage.
    void SaveBookmark(int page);
    int saveBookmarkCount = 0;
    int lastSavedBookmarkPage = -1;

    // The open request and the kind of the entry it came from.
    void SetOpenRequest(std::u16string fileName, int32_t bookmarkPage, int32_t slotNumber,
                        BookKind kind);

    // The rows as shown, the selected row (-1 when none) and the headings.
    std::vector<ListRow> Rows() const;
    int SelectedRow() const;
    QStringList Headings() const;

    // Puts row `index` into the selected and focused state; nothing when
    // there is no such row.
    void SelectRow(int index);
    // Appends a row to the control (the fill step of the refresh).
    void AppendRow(const ListRow& row);

    // Folders of the last refresh.
    BookFolders Folders() const;

    // Fields.
    int32_t selectedIndex = 0;
    OpenRequest openRequest;
    BookKind currentEntryKind = BookKind::Cmb;
    int32_t showFileName = 0;
    int32_t showSize = 0;
    std::u16string documentsRoot;
    std::array<std::u16string, 3> cardNames;
    int32_t cardCount = 0;

  private:
    void FindCardFolders();

    Device& device_;
    BackWnd* owner_;
};

}  // namespace inkvista
