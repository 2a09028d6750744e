#include "ui/MessageBoxDialog.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QTextOption>
#include <algorithm>
#include <cmath>
#include <memory>

#include "platform/Win32.h"

namespace inkvista {

namespace {

// In pixels of the device's screen.
constexpr int kScreenMargin = 6;  // the box to the screen's edges, at least
constexpr int kSideMargin = 8;    // the text and the buttons to the box's sides
constexpr int kAboveText = 10;
constexpr int kBelowText = 10;
constexpr int kBelowButtons = 8;
constexpr int kButtonGap = 8;
// In dialog units, as the About dialog's OK button is high.
constexpr int kButtonWidthDu = 50;
constexpr int kButtonHeightDu = 14;

}  // namespace

WrappedText::WrappedText(const QString& text, QWidget* parent) : QWidget(parent), text_(text) {
    QString shown = text;
    // A layout breaks lines only where it is told to.
    shown.replace(QLatin1Char('\n'), QChar::LineSeparator);
    layout_.setText(shown);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout_.setTextOption(option);
}

int WrappedText::LayOut(int width) {
    layout_.setFont(font());
    layout_.beginLayout();
    qreal y = 0;
    qreal widest = 0;
    for (QTextLine line = layout_.createLine(); line.isValid(); line = layout_.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height();
        widest = std::max(widest, line.naturalTextWidth());
    }
    layout_.endLayout();
    usedWidth_ = std::min(width, static_cast<int>(std::ceil(widest)));
    return static_cast<int>(std::ceil(y));
}

int WrappedText::naturalWidth() const {
    const QFontMetrics metrics(font());
    int widest = 0;
    for (const QString& line : text_.split(QLatin1Char('\n'))) {
        widest = std::max(widest, metrics.horizontalAdvance(line));
    }
    return widest;
}

void WrappedText::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    layout_.draw(&painter, QPointF(0, 0));
}

MessageBoxDialog::MessageBoxDialog(QWidget* owner, const QString& text, const QString& caption,
                                   uint32_t type, const DeviceScreenView& screen)
    : TemplateDialog(owner, 0, caption, 0, 0, screen.scale),
      scale_(screen.scale),
      hasCancel_((type & 0xF) == MB_OKCANCEL) {
    scroll_ = Keep(std::make_unique<QScrollArea>(this));
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setFocusPolicy(Qt::NoFocus);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->viewport()->setAutoFillBackground(false);
    auto wrapped = std::make_unique<WrappedText>(text, scroll_);
    text_ = wrapped.get();
    scroll_->setWidget(wrapped.release());  // the area owns what it shows

    auto* ok = AddButton(IDOK, QStringLiteral("OK"), 0, 0, kButtonWidthDu, kButtonHeightDu, true);
    connect(ok, &QPushButton::clicked, this, [this] { done(IDOK); });
    ok_ = ok;
    if (hasCancel_) {
        auto* cancel =
            AddButton(IDCANCEL, QStringLiteral("Cancel"), 0, 0, kButtonWidthDu, kButtonHeightDu);
        // Enter presses the button that has the focus, as in every box.
        cancel->setAutoDefault(true);
        connect(cancel, &QPushButton::clicked, this, [this] { done(IDCANCEL); });
        cancel_ = cancel;
    }
    LayOut(screen);
    ok_->setFocus();
}

int MessageBoxDialog::Px(int devicePixels) const {
    return qRound(devicePixels * scale_);
}

void MessageBoxDialog::LayOut(const DeviceScreenView& screen) {
    const int side = Px(kSideMargin);
    const QRect area = screen.rect.adjusted(Px(kScreenMargin), Px(kScreenMargin),
                                            -Px(kScreenMargin), -Px(kScreenMargin));
    const QSize button = MapDialogRect(baseUnits(), 0, 0, kButtonWidthDu, kButtonHeightDu).size();
    const int buttons = hasCancel_ ? 2 : 1;
    const int buttonsWidth = buttons * button.width() + (buttons - 1) * Px(kButtonGap);
    QFont bold = font();
    bold.setBold(true);
    const int captionWidth =
        QFontMetrics(bold).horizontalAdvance(windowTitle()) + 2 * Px(kSideMargin);

    const int widest = std::max(1, area.width());
    const int width = std::clamp(
        std::max({text_->naturalWidth() + 2 * side, buttonsWidth + 2 * side, captionWidth}), 1,
        widest);
    int textWidth = std::max(1, width - 2 * side);
    int textHeight = text_->LayOut(textWidth);
    const int fixedHeight =
        captionHeight() + Px(kAboveText) + Px(kBelowText) + button.height() + Px(kBelowButtons);
    const int tallest = std::max(1, area.height() - fixedHeight);
    int viewHeight = textHeight;
    if (textHeight > tallest) {
        // Too long for the screen: the text scrolls, beside its scroll bar.
        viewHeight = tallest;
        scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        const int bar = scroll_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroll_);
        textWidth = std::max(1, textWidth - bar);
        textHeight = text_->LayOut(textWidth);
        text_->resize(textWidth, textHeight);
        scroll_->setGeometry(side, captionHeight() + Px(kAboveText), width - 2 * side, viewHeight);
    } else {
        scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        // The lines as a block, in the middle of the box.
        const int used = std::max(1, text_->usedWidth());
        text_->resize(used, textHeight);
        scroll_->setGeometry((width - used) / 2, captionHeight() + Px(kAboveText), used,
                             viewHeight);
    }
    const int height = fixedHeight + viewHeight;
    const int buttonsTop = height - Px(kBelowButtons) - button.height();
    int x = (width - buttonsWidth) / 2;
    ok_->setGeometry(x, buttonsTop, button.width(), button.height());
    if (cancel_) {
        x += button.width() + Px(kButtonGap);
        cancel_->setGeometry(x, buttonsTop, button.width(), button.height());
    }
    setFixedSize(width, height);
    move(area.x() + (area.width() - width) / 2, area.y() + std::max(0, area.height() - height) / 2);
}

void MessageBoxDialog::paintEvent(QPaintEvent* event) {
    TemplateDialog::paintEvent(event);
    // A box mostly opens over a dialog or the list: its edge keeps it apart.
    QPainter painter(this);
    const int edge = std::max(1, Px(1));
    painter.setPen(Qt::NoPen);
    painter.setBrush(CaptionColour());
    const QRect all = rect();
    painter.drawRect(QRect(0, 0, edge, all.height()));
    painter.drawRect(QRect(all.width() - edge, 0, edge, all.height()));
    painter.drawRect(QRect(0, all.height() - edge, all.width(), edge));
}

void MessageBoxDialog::reject() {
    done(hasCancel_ ? IDCANCEL : IDOK);
}

}  // namespace inkvista
