#include "dialogs/FolderTreeView.h"

#include <QBitmap>
#include <QHeaderView>
#include <QPainter>

#include "ui/Artwork.h"
#include "ui/DialogControls.h"

namespace inkvista {

namespace {

constexpr QSize kIconSize(16, 15);
constexpr size_t kMinimumIcons = 3;
const QColor kLineColour(0x80, 0x80, 0x80);

}  // namespace

std::vector<QIcon> FolderIconsFrom(const QImage& bitmap) {
    std::vector<QIcon> icons;
    const QSize size = bitmap.deviceIndependentSize().toSize();
    if (size.height() < kIconSize.height()) return icons;
    const int count = size.width() / kIconSize.width();
    if (count < static_cast<int>(kMinimumIcons)) return icons;
    for (int i = 0; i < count; ++i) {
        const QImage picture =
            CopyBitmap(bitmap, QRect(QPoint(i * kIconSize.width(), 0), kIconSize))
                .convertToFormat(QImage::Format_RGB32);
        QPixmap pixmap = QPixmap::fromImage(picture);
        // Drawn for the screen's scale: as large as that in logical pixels.
        pixmap.setDevicePixelRatio(ScreenPixelRatio());
        pixmap.setMask(QBitmap::fromImage(
            picture.createMaskFromColor(QColor(0, 255, 0).rgb(), Qt::MaskInColor)));
        icons.emplace_back(pixmap);
    }
    return icons;
}

namespace {

qreal ScaleOf(const QWidget* parent) {
    const auto* dialog = qobject_cast<const TemplateDialog*>(parent);
    return dialog ? dialog->scale() : 1;
}

}  // namespace

FolderTreeView::FolderTreeView(QWidget* parent)
    : QTreeWidget(parent),
      icons_(
          FolderIconsFrom(LoadBitmap(kFolderIconsBitmapId, ScaleOf(parent) * ScreenPixelRatio()))) {
    const qreal scale = ScaleOf(parent);
    setColumnCount(1);
    header()->hide();
    setIconSize(kIconSize * scale);
    setIndentation(qRound((kIconSize.width() + 3) * scale));
    setRootIsDecorated(true);
    setItemsExpandable(true);
    setExpandsOnDoubleClick(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setFrameShape(QFrame::Box);
}

QIcon FolderTreeView::icon(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= icons_.size()) return QIcon();
    return icons_[static_cast<size_t>(index)];
}

void FolderTreeView::drawBranches(QPainter* painter, const QRect& rect,
                                  const QModelIndex& index) const {
    // Dotted lines join each item to its parent and its siblings; there is
    // no button to press.
    std::vector<QModelIndex> chain;
    for (QModelIndex i = index; i.isValid(); i = i.parent()) chain.push_back(i);
    const int indent = indentation();
    const int level = static_cast<int>(chain.size()) - 1;
    const int left = rect.right() + 1 - (level + 1) * indent;
    const int middle = rect.center().y();
    auto hasNext = [](const QModelIndex& i) {
        return i.row() + 1 < i.model()->rowCount(i.parent());
    };
    painter->save();
    QPen pen(kLineColour);
    pen.setStyle(Qt::DotLine);
    painter->setPen(pen);
    // The item's own column: up to its parent or the sibling above, down to
    // the sibling below, and across to the item.
    const int x = left + level * indent + indent / 2;
    if (index.parent().isValid() || index.row() > 0) painter->drawLine(x, rect.top(), x, middle);
    if (hasNext(index)) painter->drawLine(x, middle, x, rect.bottom());
    painter->drawLine(x, middle, left + (level + 1) * indent - 2, middle);
    // Ancestors with siblings below carry their line past this item.
    for (int depth = 1; depth <= level; ++depth) {
        const QModelIndex& ancestor = chain[static_cast<size_t>(depth)];
        if (!hasNext(ancestor)) continue;
        const int ax = left + (level - depth) * indent + indent / 2;
        painter->drawLine(ax, rect.top(), ax, rect.bottom());
    }
    painter->restore();
}

}  // namespace inkvista
