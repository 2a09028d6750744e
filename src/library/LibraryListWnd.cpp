#include "library/LibraryListWnd.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QScrollBar>
#include <QTextOption>
#include <QTreeWidgetItem>
#include <algorithm>
#include <memory>

#include "library/BookInfoDialog.h"
#include "models/Json.h"
#include "models/LibraryRows.h"
#include "ui/Artwork.h"
#include "ui/DesktopTrash.h"
#include "ui/DeviceScreen.h"
#include "ui/DialogControls.h"
#include "ui/Fonts.h"
#include "ui/ScaledStyle.h"

namespace inkvista {

namespace {

constexpr int kIconRole = Qt::UserRole + 1;
constexpr int kTitleColumnWidth = 154;
constexpr int kPageColumnWidth = 70;
// The popup's y is the pointer's plus this many pixels.
constexpr int kPopupDrop = 80;
constexpr int kListFontPixels = 12;
// The help an empty library shows.
constexpr int kEmptyHelpPixels = 11;
constexpr int kEmptyHelpMargin = 6;

QString ToQString(const std::u16string& s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

// The four list icons cut from the one bitmap, white made transparent, for
// the screen drawn at `scale`.
std::array<QIcon, 4> LoadListIcons(qreal scale) {
    std::array<QIcon, 4> icons;
    const QImage strip = LoadBitmap(kListIconsBitmapId, scale * ScreenPixelRatio());
    if (strip.isNull()) return icons;
    for (int i = 0; i < 4; ++i) {
        QPixmap icon = QPixmap::fromImage(
            CopyBitmap(strip, QRect(i * kListIconWidth, 0, kListIconWidth, kListIconHeight)));
        icon.setDevicePixelRatio(ScreenPixelRatio());
        icon.setMask(icon.createMaskFromColor(Qt::white, Qt::MaskInColor));
        icons[static_cast<size_t>(i)] = QIcon(icon);
    }
    return icons;
}

}  // namespace

LibraryListWnd::LibraryListWnd(Device& device, ScreenSwitcher& screens, QWidget* parent)
    : QTreeWidget(parent), device_(device), screens_(screens), library_(device, *this) {
    // A report-style list view: rows without a tree, one selected row whose
    // selection stays visible when the list does not have the focus.
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSortingEnabled(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAllColumnsShowFocus(true);
    setExpandsOnDoubleClick(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFrameShape(QFrame::Box);
    setFrameShadow(QFrame::Plain);
    setLineWidth(1);
    setIconSize(QSize(kListIconWidth, kListIconHeight));
    // Korean titles are drawn in the Hangul face that follows the sans one.
    setFont(ReaderFont(kSansFamily, kListFontPixels));
    QPalette colours = palette();
    colours.setColor(QPalette::Inactive, QPalette::Highlight,
                     colours.color(QPalette::Active, QPalette::Highlight));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     colours.color(QPalette::Active, QPalette::HighlightedText));
    colours.setColor(QPalette::Base, Qt::white);
    setPalette(colours);
    hide();
}

LibraryListWnd::~LibraryListWnd() = default;

bool LibraryListWnd::Create(const QRect& rect, int id, const LibrarySettings& settings,
                            qreal scale) {
    library_.SetSettings(settings);
    setGeometry(rect);
    SetControlId(this, id);
    // Its texts are laid out first at the scale it is shown at: each other
    // size would cost its own fonts' set-up for nothing.
    scale_ = scale;
    ScaleLooks();
    setColumnCount(2);
    auto header = std::make_unique<QTreeWidgetItem>();
    header->setText(0, QStringLiteral("TITLE"));
    header->setText(1, QStringLiteral("PAGE"));
    header->setTextAlignment(0, Qt::AlignCenter);
    header->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    setHeaderItem(header.release());  // the control owns its header item
    this->header()->setStretchLastSection(false);
    this->header()->setSectionsClickable(true);
    this->header()->setSectionsMovable(false);
    this->header()->setSortIndicatorShown(false);
    connect(this->header(), &QHeaderView::sectionClicked, this, &LibraryListWnd::OnColumnClick);
    // The control's click notification cancels a hold.
    connect(this, &QTreeWidget::itemClicked, this, [this] { library_.CancelHold(); });
    ScaleColumns();
    show();
    RefreshLibrary();
    return true;
}

void LibraryListWnd::SetScale(qreal scale) {
    if (scale == scale_) return;
    scale_ = scale;
    ScaleLooks();
    ScaleColumns();
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = topLevelItem(i);
        const int icon = item->data(0, kIconRole).toInt();
        if (icon >= 0 && icon < static_cast<int>(icons_.size())) {
            item->setIcon(0, icons_[static_cast<size_t>(icon)]);
        }
    }
}

void LibraryListWnd::ScaleLooks() {
    // The font first: the new style has the header measure its texts at
    // once, and in the old font that would set up its faces for nothing.
    setFont(ReaderFont(kSansFamily, qRound(kListFontPixels * scale_)));
    SetWidgetScale(this, scale_);
    setIconSize(QSize(qRound(kListIconWidth * scale_), qRound(kListIconHeight * scale_)));
    icons_ = LoadListIcons(scale_);
}

void LibraryListWnd::ScaleColumns() {
    setColumnWidth(0, qRound(kTitleColumnWidth * scale_));
    setColumnWidth(1, qRound(kPageColumnWidth * scale_));
}

void LibraryListWnd::RefreshLibrary() {
    clear();
    const RefreshReport report = library_.Refresh();
    FillRows();
    emptyHelp_ = library_.entries().empty() ? EmptyLibraryHelp() : QString();
    SelectRow(library_.selectedIndex());
    emit refreshed(report);
}

QString LibraryListWnd::EmptyLibraryHelp() const {
    std::u16string folder = library_.Folders().PathOf(FolderSlot::Main);
    if (!folder.empty()) folder.pop_back();  // its trailing backslash
    const auto host = device_.files().mapper().Resolve(folder);
    const QString where = host ? QString::fromStdString(host->string()) : ToQString(folder);
    return QStringLiteral("Books go in %1, or drop books and comic archives here.").arg(where);
}

void LibraryListWnd::paintEvent(QPaintEvent* event) {
    QTreeWidget::paintEvent(event);
    if (emptyHelp_.isEmpty() || topLevelItemCount() != 0) return;
    // Painted, never a row: the rows stay those of the books.
    QPainter painter(viewport());
    QFont font = this->font();
    font.setPixelSize(qRound(kEmptyHelpPixels * scale_));
    painter.setFont(font);
    painter.setPen(palette().color(QPalette::PlaceholderText));
    QTextOption option(Qt::AlignHCenter | Qt::AlignTop);
    // A long path breaks anywhere rather than running past the edge.
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    const int margin = qRound(kEmptyHelpMargin * scale_);
    painter.drawText(QRectF(viewport()->rect().adjusted(margin, margin, -margin, -margin)),
                     emptyHelp_, option);
}

void LibraryListWnd::FillRows() {
    const std::vector<BookEntry>& entries = library_.entries();
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(entries.size()));
    for (const BookEntry& entry : entries) {
        auto item = std::make_unique<QTreeWidgetItem>();
        const int icon = RowIcon(entry);
        item->setText(0, ToQString(RowTitle(entry, library_.showFileName())));
        item->setText(1, ToQString(RowSecondColumn(entry, library_.showSize())));
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setIcon(0, icons_[static_cast<size_t>(icon)]);
        item->setData(0, kIconRole, icon);
        items.append(item.release());
    }
    addTopLevelItems(items);  // the control owns its rows
}

void LibraryListWnd::AppendRow(const ListRow& row) {
    auto item = std::make_unique<QTreeWidgetItem>();
    item->setText(0, row.column0);
    item->setText(1, row.column1);
    item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    if (row.icon >= 0 && row.icon < static_cast<int>(icons_.size())) {
        item->setIcon(0, icons_[static_cast<size_t>(row.icon)]);
    }
    item->setData(0, kIconRole, row.icon);
    addTopLevelItem(item.release());  // the control owns its rows
}

void LibraryListWnd::SaveBookmark(int page) {
    library_.SaveBookmark(page);
}

void LibraryListWnd::OpenBook(const OpenRequest& request) {
    library_.SetCurrentByName(request.slot, request.fileName);
    library_.SetOpenRequest(request);
    screens_.OpenRequestedBook();
}

std::vector<ListRow> LibraryListWnd::Rows() const {
    std::vector<ListRow> rows;
    rows.reserve(static_cast<size_t>(topLevelItemCount()));
    for (int i = 0; i < topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = topLevelItem(i);
        rows.push_back(ListRow{item->text(0), item->text(1), item->data(0, kIconRole).toInt()});
    }
    return rows;
}

int LibraryListWnd::SelectedRow() const {
    const auto selected = selectedItems();
    return selected.isEmpty() ? -1 : indexOfTopLevelItem(selected.first());
}

QStringList LibraryListWnd::Headings() const {
    const QTreeWidgetItem* header = headerItem();
    return {header->text(0), header->text(1)};
}

void LibraryListWnd::SelectRow(int index) {
    if (index < 0 || index >= topLevelItemCount()) return;
    QTreeWidgetItem* item = topLevelItem(index);
    // Selected and focused without scrolling: the list stays where it was.
    const int scrolled = verticalScrollBar()->value();
    selectionModel()->setCurrentIndex(
        indexFromItem(item), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    verticalScrollBar()->setValue(scrolled);
}

bool LibraryListWnd::SelectBook(FolderSlot slot, std::u16string_view fileName) {
    const std::vector<BookEntry>& entries = library_.entries();
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].slot != slot || entries[i].fileName != fileName) continue;
        const int row = static_cast<int>(i);
        library_.Select(row);
        SelectRow(row);
        scrollToItem(topLevelItem(row));
        return true;
    }
    return false;
}

// The rows from the top one through one page further, not beyond the last:
// the first whose whole row holds the point.
RowHit LibraryListWnd::HitTest(QPoint viewportPos) const {
    RowHit hit;
    const int count = topLevelItemCount();
    if (count == 0) return hit;
    const QModelIndex topIndex = indexAt(QPoint(0, 0));
    const int top = topIndex.isValid() ? topIndex.row() : 0;
    const int rowHeight = std::max(1, QTreeView::rowHeight(indexFromItem(topLevelItem(top))));
    const int perPage = viewport()->height() / rowHeight;
    int i = top;
    for (; i <= top + perPage && i < count; ++i) {
        QRect bounds = visualRect(indexFromItem(topLevelItem(i)));
        bounds.setLeft(0);
        bounds.setRight(std::max(viewport()->width(), header()->length()) - 1);
        if (bounds.contains(viewportPos)) {
            hit.row = i;
            hit.pastLastTested = i + 1;
            return hit;
        }
    }
    hit.pastLastTested = i;
    return hit;
}

void LibraryListWnd::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        lastPress_ = event->position().toPoint();
        setFocus(Qt::MouseFocusReason);
        library_.RightClick(HitTest(lastPress_));
        SelectRow(library_.selectedIndex());
        return;
    }
    if (event->button() != Qt::LeftButton) return QTreeWidget::mousePressEvent(event);
    lastPress_ = event->position().toPoint();
    library_.Tap(HitTest(lastPress_));
    SelectRow(library_.selectedIndex());
    QTreeWidget::mousePressEvent(event);
}

void LibraryListWnd::mouseReleaseEvent(QMouseEvent* event) {
    library_.CancelHold();
    QTreeWidget::mouseReleaseEvent(event);
}

void LibraryListWnd::mouseMoveEvent(QMouseEvent* event) {
    library_.CancelHold();
    QTreeWidget::mouseMoveEvent(event);
}

void LibraryListWnd::mouseDoubleClickEvent(QMouseEvent* event) {
    const RowHit hit = HitTest(event->position().toPoint());
    // Opening hides the list; the control has nothing more to do then.
    if (library_.DoubleTap(hit)) return;
    if (hit.row >= 0) SelectRow(hit.row);
    QTreeWidget::mouseDoubleClickEvent(event);
}

void LibraryListWnd::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        library_.Enter(SelectedRow());
    }
    QTreeWidget::keyPressEvent(event);
}

void LibraryListWnd::OnColumnClick(int column) {
    if (column == 0) {
        library_.ToggleShowFileName();
        headerItem()->setText(
            0, library_.showFileName() ? QStringLiteral("FILENAME") : QStringLiteral("TITLE"));
    } else if (column == 1) {
        library_.ToggleShowSize();
        headerItem()->setText(
            1, library_.showSize() ? QStringLiteral("SIZE") : QStringLiteral("PAGE"));
    } else {
        return;
    }
    RefreshLibrary();
}

void LibraryListWnd::PostPopupMessage() {
    // From the message loop, not from inside the hold timer.
    QMetaObject::invokeMethod(this, &LibraryListWnd::ShowPopup, Qt::QueuedConnection);
}

void LibraryListWnd::ShowPopup() {
    auto menu = std::make_unique<QMenu>(this);
    // A popup is a window of its own: it takes the list's size of text, and
    // its look before it measures its items.
    menu->setFont(font());
    InheritWidgetScale(menu.get());
    popupItems_ = library_.PopupItems();
    for (const auto& [id, text] : popupItems_) {
        QAction* action = menu->addAction(ToQString(text));
        action->setProperty("commandId", id);
        action->setData(id);
    }
    popup_ = menu.get();
    // The pointer's place in the list's own coordinates, taken as a place on
    // the screen and dropped by 80: just below the stylus, as the device
    // shows it.
    const QPoint client = viewport()->mapTo(this, lastPress_);
    const QPoint screen = DeviceScreenOf(this).rect.topLeft();
    const QAction* chosen =
        menu->exec(screen + QPoint(client.x(), client.y() + qRound(kPopupDrop * scale_)));
    const int id = chosen ? chosen->data().toInt() : 0;
    popup_.clear();
    popupItems_.clear();
    menu.reset();
    if (id != 0) library_.Command(id);
}

void LibraryListWnd::ShowBookInfo(const ListBookInfo& info) {
    BookInfoDialog dialog(this, info);
    dialog.move(DeviceScreenOf(this).rect.topLeft() +
                MapDialogRect(dialog.baseUnits(), 0, 30, 0, 0).topLeft());
    dialog.exec();
}

void LibraryListWnd::OpenRequestedBook() {
    screens_.OpenRequestedBook();
}

bool LibraryListWnd::MoveToTrash(const std::filesystem::path& hostFile) {
    return MoveToDesktopTrash(hostFile);
}

void LibraryListWnd::ShowMessage(std::u16string_view text) {
    device_.messages().Show(text);
}

bool LibraryListWnd::Confirm(std::u16string_view question) {
    return device_.messages().Show(question, MB_OKCANCEL) == IDOK;
}

void LibraryListWnd::WriteState(JsonValue& state) const {
    JsonValue& list = state["list"];
    JsonValue& rows = list["rows"] = JsonValue::Array();
    for (const ListRow& row : Rows()) {
        JsonValue& cells = rows.Append(JsonValue::Array());
        cells.Append(row.column0.toStdU16String());
        cells.Append(row.column1.toStdU16String());
        cells.Append(row.icon);
    }
    JsonValue& headings = list["headings"] = JsonValue::Array();
    for (const QString& heading : Headings()) headings.Append(heading.toStdU16String());
    if (popup_) {
        JsonValue& items = list["popup"] = JsonValue::Array();
        for (const auto& [id, text] : popupItems_) {
            JsonValue& item = items.Append(JsonValue::Array());
            item.Append(id);
            item.Append(text);
        }
    } else {
        list["popup"] = JsonValue();
    }
    library_.WriteState(list);
}

}  // namespace inkvista
