// The "User Directory Setting" dialog (template 197), opened by the Options
// dialog's "Add Dir": the user picks the extra book folder by expanding it
// in a tree of the device's folders; OK adopts the folder expanded last.
#pragma once

#include "dialogs/WorkingCopies.h"
#include "platform/FileSystem.h"
#include "ui/DialogControls.h"

class QTreeWidgetItem;

namespace inkvista {

class FolderTreeView;

constexpr int kUserDirTemplateId = 197;
constexpr int kUserDirLabelId = 1056;
constexpr int kUserDirOkId = 1058;
constexpr int kUserDirCancelId = 1059;
constexpr int kUserDirTreeId = 1060;

class UserDirDialog : public TemplateDialog {
    Q_OBJECT

  public:
    // Initialisation: the tree holds the root "\" (collapsed) and the label
    // the working copy of the user folder, or "NONE".
    UserDirDialog(QWidget* owner, FileSystem& files, DialogWorkingCopies& working);

    FolderTreeView* tree() const { return tree_; }

  protected:
    void OnCommand(int id) override;

  private:
    QTreeWidgetItem* NewFolderItem(const QString& name) const;
    void OnExpanded(QTreeWidgetItem* item);
    void OnCollapsed(QTreeWidgetItem* item);

    FileSystem& files_;
    DialogWorkingCopies& working_;
    FolderTreeView* tree_ = nullptr;
};

}  // namespace inkvista
