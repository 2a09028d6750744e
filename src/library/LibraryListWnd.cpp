#include "library/LibraryListWnd.h"

#include <QHeaderView>
#include <QPalette>
#include <QTreeWidgetItem>
#include <algorithm>
#include <memory>

#include "app/BackWnd.h"
#include "app/DialogControls.h"

namespace inkvista {

namespace {

constexpr int kIconRole = Qt::UserRole + 1;
constexpr int kTitleColumnWidth = 154;
constexpr int kPageColumnWidth = 70;

}  // namespace

LibraryListWnd::LibraryListWnd(Device& device, BackWnd* owner)
    : QTreeWidget(owner), device_(device), owner_(owner) {
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

bool LibraryListWnd::Create(const QRect& rect, int id) {
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
    ++refreshCount;
    documentsRoot.clear();
    for (auto& name : cardNames) name.clear();
    cardCount = 0;
    documentsRoot = device_.shell().PersonalFolder();
    FindCardFolders();
    SelectRow(selectedIndex);
    if (owner_ && owner_->isLoox) {
        owner_->card1Present = owner_->ProbeStorageCard();
        owner_->card2Present = owner_->ProbeStorageCard2();
    }
}

void LibraryListWnd::FindCardFolders() {
    for (const std::u16string& name : device_.shell().StorageCards()) {
        if (cardCount == 3) break;
        cardNames[static_cast<size_t>(cardCount++)] = name;
    }
    if (cardCount == 3) return;
    static constexpr std::u16string_view kFixedNames[] = {u"Storage Card", u"Storage Card2",
                                                          u"Storage Card3"};
    std::vector<std::u16string> present;
    for (std::u16string_view name : kFixedNames) {
        FindData found;
        FindHandle search = device_.files().FindFirst(u"\\" + std::u16string(name), &found);
        if (!search) continue;
        search.Close();
        const auto known = cardNames.begin() + cardCount;
        if (std::find(cardNames.begin(), known, name) == known) present.emplace_back(name);
    }
    for (const std::u16string& name : present) {
        if (cardCount == 3) break;
        cardNames[static_cast<size_t>(cardCount++)] = name;
    }
}

void LibraryListWnd::SaveBookmark(int page) {
    ++saveBookmarkCount;
    lastSavedBookmarkPage = page;
    RefreshLibrary();
}

void LibraryListWnd::SetOpenRequest(std::u16string fileName, int32_t bookmarkPage,
                                    int32_t slotNumber, BookKind kind) {
    openRequest.fileName = std::move(fileName);
    openRequest.bookmarkPage = bookmarkPage;
    openRequest.slotNumber = slotNumber;
    currentEntryKind = kind;
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

BookFolders LibraryListWnd::Folders() const {
    BookFolders folders;
    folders.documentsRoot = documentsRoot;
    for (int i = 0; i < cardCount && i < 3; ++i) {
        folders.cardNames[i] = cardNames[static_cast<size_t>(i)];
    }
    if (owner_) folders.userDir = std::u16string(UserDirText(owner_->userDir));
    return folders;
}

}  // namespace inkvista
