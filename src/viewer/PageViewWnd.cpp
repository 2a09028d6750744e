#include "viewer/PageViewWnd.h"

#include <QColor>
#include <QPaintEvent>
#include <QPainter>
#include <QVector>
#include <algorithm>

#include "app/DialogControls.h"
#include "app/WindowMessages.h"
#include "book/OpenBook.h"
#include "book/PageDecoder.h"

namespace inkvista {

namespace {

// The platform's stock grey brush.
const QColor kStockGrey(128, 128, 128);

}  // namespace

PageViewWnd::PageViewWnd(Device& device) : device_(device) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    // The viewer is a window of its own: stylus events on it end here and
    // never reach the home screen underneath, whose buttons would act on them.
    setAttribute(Qt::WA_NoMousePropagation);
    setFocusPolicy(Qt::StrongFocus);
}

PageViewWnd::~PageViewWnd() = default;

bool PageViewWnd::Create(const QRect& rect, int id) {
    setGeometry(rect);
    SetControlId(this, id);
    backBitmap = QImage(kViewWidth, kViewHeight, QImage::Format_RGB32);
    backBitmap.fill(kStockGrey);
    hide();
    return true;
}

bool PageViewWnd::OpenBook(std::u16string_view fileName, int slotNumber, BookKind kind,
                           const BookFolders& folders, TextConversion conversion) {
    bookOpen_ = false;
    if (!inkvista::OpenBook(device_, book, folders, fileName, slotNumber, kind, conversion)) {
        return false;
    }
    bookOpen_ = true;
    return true;
}

bool PageViewWnd::LoadPage() {
    if (!bookOpen_) return false;
    return inkvista::LoadPage(device_, book, image, viewOption);
}

void PageViewWnd::CloseBook() {
    std::vector<uint32_t>().swap(book.pageOffsets);
    std::vector<uint8_t>().swap(image.palette);
    std::vector<uint8_t>().swap(image.pixels);
    bookOpen_ = false;
    // The bar stays as auto scroll left it.
    autoScrollOn = 0;
}

void PageViewWnd::ToggleAutoScroll() {
    // The interval timer and the back-light hold come with auto scroll; the
    // flag is what the main window pauses and resumes.
    autoScrollOn = autoScrollOn ? 0 : 1;
}

void PageViewWnd::DrawPage(QImage& target) const {
    if (!bookOpen_ || image.pixels.empty() || image.viewWidth <= 0 || image.viewHeight <= 0) {
        return;
    }
    const bool portrait = viewOption.portrait != 0;
    const uint32_t stride = image.PixelStride();
    const uint64_t bytesPerPixel = image.trueColour ? 3 : 1;
    const uint64_t width = static_cast<uint64_t>(image.viewWidth);
    const uint64_t height = static_cast<uint64_t>(image.viewHeight);
    // A page buffer that does not hold the whole described image is not drawn.
    if (stride < width * bytesPerPixel || image.pixels.size() < uint64_t{stride} * height) return;

    QImage page;
    if (image.trueColour) {
        page = QImage(image.pixels.data(), image.viewWidth, image.viewHeight,
                      static_cast<qsizetype>(stride), QImage::Format_BGR888);
    } else {
        page = QImage(image.pixels.data(), image.viewWidth, image.viewHeight,
                      static_cast<qsizetype>(stride), QImage::Format_Indexed8);
        QVector<QRgb> table(256);
        for (size_t i = 0; i < 256; ++i) {
            const RgbQuad& c = image.indexedInfo.colours[i];
            table[static_cast<qsizetype>(i)] = qRgb(c.red, c.green, c.blue);
        }
        page.setColorTable(table);
    }

    // A page narrower or shorter than the window sits at the reader's top-left
    // corner: the screen's top-left in portrait, its bottom-left in landscape.
    const int w = std::min(image.viewWidth, kViewWidth);
    const int h = std::min(image.viewHeight, kViewHeight);
    const int destY =
        (image.viewHeight < kViewHeight && !portrait) ? kViewHeight - image.viewHeight : 0;
    QRect source(image.scrollX, image.scrollY, w, h);
    const QRect visible = source.intersected(page.rect());
    if (visible.isEmpty()) return;
    const QPoint dest(visible.x() - source.x(), destY + visible.y() - source.y());
    QPainter painter(&target);
    painter.drawImage(dest, page, visible);
}

const QImage& PageViewWnd::ComposeFrame() {
    if (backBitmap.isNull()) backBitmap = QImage(kViewWidth, kViewHeight, QImage::Format_RGB32);
    backBitmap.fill(kStockGrey);
    DrawPage(backBitmap);
    return backBitmap;
}

void PageViewWnd::paintEvent(QPaintEvent*) {
    ComposeFrame();
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), backBitmap);
}

bool PageViewWnd::event(QEvent* event) {
    if (event->type() == static_cast<QEvent::Type>(kUserMessageEventType)) {
        const auto* message = static_cast<UserMessageEvent*>(event);
        if (message->message() == kHotKeyMessage) {
            hotKeyMessages.push_back(static_cast<uint32_t>(message->wParam()));
        }
        return true;
    }
    return QWidget::event(event);
}

}  // namespace inkvista
