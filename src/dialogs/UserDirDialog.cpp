#include "dialogs/UserDirDialog.h"

#include <QLoggingCategory>
#include <QTreeWidgetItem>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/FolderTreeView.h"
#include "dialogs/PathLabel.h"
#include "models/FolderTree.h"
#include "platform/Win32.h"

namespace inkvista {

namespace {

// The debug trace of the folder listing; off unless asked for
// (QT_LOGGING_RULES="inkvista.folders.debug=true").
Q_LOGGING_CATEGORY(lcFolders, "inkvista.folders", QtWarningMsg)

using K = ControlKind;

constexpr ControlRow kControls[] = {
    {kStaticControlId, K::Label, u"Current User InkVISTA Directory", 4, 4, 124, 8},
    {kUserDirOkId, K::DefaultButton, u"OK", 12, 109, 50, 19},
    {kUserDirCancelId, K::Button, u"Cancel", 69, 109, 50, 19},
};

constexpr DialogTemplate kTemplate{
    kUserDirTemplateId, u"User Directory Setting", DialogFace::System, 10, 0, 0, 132, 130,
    kControls};

QString ToQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

void SetIcon(QTreeWidgetItem* item, const QIcon& icon) {
    item->setIcon(0, icon);
}

}  // namespace

UserDirDialog::UserDirDialog(QWidget* owner, FileSystem& files, DialogWorkingCopies& working)
    : TemplateDialog(owner, kTemplate), files_(files), working_(working) {
    // The current folder's label (1056) breaks a long path at its
    // separators for display only.
    auto* label = Keep(std::make_unique<PathLabel>(this));
    SetControlId(label, kUserDirLabelId);
    Place(label, 4, 15, 124, 17);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    tree_ = Keep(std::make_unique<FolderTreeView>(this));
    SetControlId(tree_, kUserDirTreeId);
    Place(tree_, 4, 35, 126, 70);
    // The tree comes after the label in the tab order, before the buttons.
    setTabOrder(label, tree_);
    setTabOrder(tree_, control<QWidget>(kUserDirOkId));

    tree_->addTopLevelItem(NewFolderItem(ToQString(kFolderTreeRoot)));
    connect(tree_, &QTreeWidget::itemExpanded, this, &UserDirDialog::OnExpanded);
    connect(tree_, &QTreeWidget::itemCollapsed, this, &UserDirDialog::OnCollapsed);

    const std::u16string_view current = UserDirText(working_.userDir);
    label->setText(current.empty() ? QStringLiteral("NONE") : ToQString(current));
}

QTreeWidgetItem* UserDirDialog::NewFolderItem(const QString& name) const {
    auto item = std::make_unique<QTreeWidgetItem>(QStringList{name});
    SetIcon(item.get(), tree_->icon(kClosedFolderIcon));
    // Children are listed when the item is first expanded.
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return item.release();  // the tree takes it
}

void UserDirDialog::OnExpanded(QTreeWidgetItem* item) {
    SetIcon(item, tree_->icon(kOpenFolderIcon));
    std::vector<std::u16string> ancestors;
    for (QTreeWidgetItem* a = item->parent(); a; a = a->parent()) {
        ancestors.push_back(a->text(0).toStdU16String());
    }
    const std::u16string path = FolderItemPath(item->text(0).toStdU16String(), ancestors);
    const FolderListing listing = ExpandFolder(files_, path, working_.expandedFolderPath);
    switch (listing.outcome) {
        case FolderListing::Outcome::Listed: {
            qDeleteAll(item->takeChildren());
            QList<QTreeWidgetItem*> children;
            children.reserve(static_cast<qsizetype>(listing.folders.size()));
            for (const std::u16string& name : listing.folders) {
                children.append(NewFolderItem(ToQString(name)));
            }
            item->addChildren(children);
            break;
        }
        case FolderListing::Outcome::NoEntries:
            // Nothing to list now or later: the item can no longer expand.
            item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
            item->setFlags(item->flags() | Qt::ItemNeverHasChildren);
            break;
        case FolderListing::Outcome::Failed:
            qCDebug(lcFolders) << "FindFirstFile returned invalid handle";
            break;
    }
}

void UserDirDialog::OnCollapsed(QTreeWidgetItem* item) {
    SetIcon(item, tree_->icon(kClosedFolderIcon));
    // The next expansion lists the folder again.
    qDeleteAll(item->takeChildren());
}

void UserDirDialog::OnCommand(int id) {
    if (id == kUserDirOkId) {
        working_.userDir = working_.expandedFolderPath;
        working_.userDir.back() = u'\0';
        working_.userDirChosen = true;
        done(IDOK);
    } else if (id == kUserDirCancelId) {
        working_.userDirChosen = false;
        done(IDCANCEL);
    }
}

}  // namespace inkvista
