// The library list on the home screen: a report-style list control with two
// columns, child window 1001 of the main window. It paints what its library
// model holds, turns taps, holds, double taps, Enter and the popup commands
// into model operations; the main window gives it its settings and learns
// what each refresh found from refreshed().
#pragma once

#include <QIcon>
#include <QMenu>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTreeWidget>
#include <array>
#include <utility>
#include <vector>

#include "models/LibraryHost.h"
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

class LibraryListWnd : public QTreeWidget, private LibraryHost {
    Q_OBJECT

  public:
    // `screens` are the main window's passages, used to open a book.
    LibraryListWnd(Device& device, ScreenSwitcher& screens, QWidget* parent);
    ~LibraryListWnd() override;

    // Window creation: takes its rectangle (right and bottom exclusive), id
    // and settings, builds the icons, inserts the two columns and refreshes;
    // its looks are those of `scale` (SetScale) from the start.
    bool Create(const QRect& rect, int id, const LibrarySettings& settings, qreal scale = 1);

    // The main window's settings changed.
    void SetSettings(const LibrarySettings& settings) { library_.SetSettings(settings); }

    // RefreshLibrary: the model's refresh, the control filled again and the
    // row of selectedIndex selected; refreshed() reports what it found.
    void RefreshLibrary() override;

    // Remembers `page` for the book that was opened, then refreshes.
    void SaveBookmark(int page);

    // Opens the book of `request` (the script's `open`): it becomes the
    // current entry when the list holds it, so that closing it remembers its
    // page, and the main window is asked to open it.
    void OpenBook(const OpenRequest& request);

    LibraryModel& model() { return library_; }
    const LibraryModel& model() const { return library_; }

    // The rows as shown, the selected row (-1 when none) and the headings.
    std::vector<ListRow> Rows() const;
    int SelectedRow() const;
    QStringList Headings() const;

    // Puts row `index` into the selected and focused state; nothing when
    // there is no such row. The list is not scrolled to it.
    void SelectRow(int index);

    // Selects the row of the book of `slot` named `fileName` and scrolls to
    // it; false when the list has no such row.
    bool SelectBook(FolderSlot slot, std::u16string_view fileName);

    // Appends a row that no entry stands behind (pictures of the screen).
    void AppendRow(const ListRow& row);

    // The device screen is drawn `scale` logical pixels per device pixel:
    // texts, icons, columns and the style's parts grow with it.
    void SetScale(qreal scale);

    // The open popup menu (null when none).
    QMenu* popupMenu() const { return popup_.data(); }

    // The script state's "list" object.
    void WriteState(JsonValue& state) const;

  signals:
    void refreshed(const RefreshReport& report);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // An empty library shows where books go.
    void paintEvent(QPaintEvent* event) override;

  private:
    // The style, font, icon size and icons of scale_; the columns' widths.
    void ScaleLooks();
    void ScaleColumns();
    // LibraryHost
    void PostPopupMessage() override;
    void ShowBookInfo(const ListBookInfo& info) override;
    void OpenRequestedBook() override;
    bool MoveToTrash(const std::filesystem::path& hostFile) override;
    void ShowMessage(std::u16string_view text) override;
    bool Confirm(std::u16string_view question) override;

    void FillRows();
    // "Books go in FOLDER, …": the main book folder as the host names it.
    QString EmptyLibraryHelp() const;
    RowHit HitTest(QPoint viewportPos) const;
    void OnColumnClick(int column);
    void ShowPopup();

    Device& device_;
    ScreenSwitcher& screens_;
    LibraryModel library_;
    std::array<QIcon, 4> icons_;
    QPoint lastPress_;  // viewport coordinates of the last tap
    QPointer<QMenu> popup_;
    qreal scale_ = 1;
    std::vector<std::pair<int, std::u16string>> popupItems_;
    QString emptyHelp_;  // empty while books are listed
};

}  // namespace inkvista
