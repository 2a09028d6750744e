// The library list on the home screen: a report-style list control with two
// columns, child window 1001 of the main window. It paints what its library
// model holds; the main window gives it its settings and learns what each
// refresh found from refreshed().
#pragma once

#include <QRect>
#include <QString>
#include <QStringList>
#include <QTreeWidget>
#include <vector>

#include "models/LibraryModel.h"
#include "models/Screens.h"
#include "platform/Device.h"

namespace inkvista {

class JsonValue;

// One row as the control shows it.
struct ListRow {
    QString column0;
    QString column1;
    int icon = 0;
};

class LibraryListWnd : public QTreeWidget {
    Q_OBJECT

  public:
    // `screens` is the main window's SwitchScreen, used to open a book.
    LibraryListWnd(Device& device, ScreenSwitcher& screens, QWidget* parent);
    ~LibraryListWnd() override;

    // Window creation: takes its rectangle (right and bottom exclusive), id
    // and settings, inserts the two columns and refreshes.
    bool Create(const QRect& rect, int id, const LibrarySettings& settings);

    // The main window's settings changed.
    void SetSettings(const LibrarySettings& settings) { library_.SetSettings(settings); }

    // RefreshLibrary: the model's refresh, then the row of selectedIndex is
    // selected again; refreshed() reports what the refresh found.
    void RefreshLibrary();

    // Remembers `page` as the bookmark of the current book. Bookmark files
    // are not written in this version: the page is dropped and the library
    // refreshed.
    void SaveBookmark(int page);

    // Opens the book of `request`: the open request is set and the main
    // window asked to open it (SwitchScreen(1002)).
    void OpenBook(const OpenRequest& request);

    LibraryModel& model() { return library_; }
    const LibraryModel& model() const { return library_; }

    // The rows as shown, the selected row (-1 when none) and the headings.
    std::vector<ListRow> Rows() const;
    int SelectedRow() const;
    QStringList Headings() const;

    // Puts row `index` into the selected and focused state; nothing when
    // there is no such row.
    void SelectRow(int index);
    // Appends a row to the control (the fill step of the refresh).
    void AppendRow(const ListRow& row);

    // The script state's "list" object.
    void WriteState(JsonValue& state) const;

  signals:
    void refreshed(const RefreshReport& report);

  private:
    ScreenSwitcher& screens_;
    LibraryModel library_;
};

}  // namespace inkvista
