// The folder tree of the user-folder dialog: a tree control with lines and
// lines at the root but without expand buttons (a double tap expands or
// collapses an item), and icons of an open and a closed folder.
#pragma once

#include <QIcon>
#include <QTreeWidget>
#include <vector>

namespace inkvista {

// The bitmap of the tree's icons: five 16 x 15 pictures side by side (an
// open folder, a closed folder, a window, a network, a document) on green.
constexpr int kFolderIconsBitmapId = 195;
constexpr int kOpenFolderIcon = 0;
constexpr int kClosedFolderIcon = 1;

// The icons cut from a bitmap of 16 x 15 pictures, green (0x00FF00) drawn
// transparent; empty when fewer than three result.
std::vector<QIcon> FolderIconsFrom(const QImage& bitmap);

class FolderTreeView : public QTreeWidget {
    Q_OBJECT

  public:
    explicit FolderTreeView(QWidget* parent);

    // The icon `index` of the image list, or a null icon when the tree goes
    // without icons.
    QIcon icon(int index) const;

  protected:
    void drawBranches(QPainter* painter, const QRect& rect,
                      const QModelIndex& index) const override;

  private:
    std::vector<QIcon> icons_;
};

}  // namespace inkvista
