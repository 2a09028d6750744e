#include "library/LibraryListWnd.h"

#include <QHeaderView>
#include <QPalette>
#include <QTreeWidgetItem>
#include <algorithm>
#include <memory>

#include "models/Json.h"
#include "ui/DialogControls.h"

namespace inkvista {

namespace {

constexpr int kIconRole = Qt::UserRole + 1;
constexpr int kTitleColumnWidth = 154;
constexpr int kPageColumnWidth = 70;

}  // namespace

LibraryListWnd::LibraryListWnd(Device& device, ScreenSwitcher& screens, QWidget* parent)
    : QTreeWidget(parent), screens_(screens), library_(device) {
    // A report-style list view: rows without a tree, one selected row whose
    // selection stays visible when the list does not have the focus.
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAllColumnsShowFocus(true);
    setFrameShape(QFrame::Box);
    setFrameShadow(QFrame::Plain);
    setLineWidth(1);
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

bool LibraryListWnd::Create(const QRect& rect, int id, const LibrarySettings& settings) {
    library_.SetSettings(settings);
    setGeometry(rect);
    SetControlId(this, id);
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
    setColumnWidth(0, kTitleColumnWidth);
    setColumnWidth(1, kPageColumnWidth);
    show();
    RefreshLibrary();
    return true;
}

void LibraryListWnd::RefreshLibrary() {
    const RefreshReport report = library_.Refresh();
    SelectRow(library_.selectedIndex());
    emit refreshed(report);
}

void LibraryListWnd::SaveBookmark(int) {
    RefreshLibrary();
}

void LibraryListWnd::OpenBook(const OpenRequest& request) {
    library_.SetOpenRequest(request);
    screens_.SwitchScreen(kViewerWindowId, false);
}

std::vector<ListRow> LibraryListWnd::Rows() const {
    std::vector<ListRow> rows;
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
    setCurrentItem(item);
    item->setSelected(true);
}

void LibraryListWnd::AppendRow(const ListRow& row) {
    auto item = std::make_unique<QTreeWidgetItem>();
    item->setText(0, row.column0);
    item->setText(1, row.column1);
    item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    item->setData(0, kIconRole, row.icon);
    addTopLevelItem(item.release());  // the control owns its rows
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
    library_.WriteState(list);
}

}  // namespace inkvista
