#include "ui/ScaledStyle.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QPointer>
#include <QStyleFactory>
#include <QStyleOption>
#include <QWidget>
#include <cmath>

namespace inkvista {

namespace {

constexpr qreal kSameScale = 1e-6;

ScaledStyle* ScaledStyleOf(const QWidget* widget) {
    if (!widget->testAttribute(Qt::WA_SetStyle)) return nullptr;
    return qobject_cast<ScaledStyle*>(widget->style());
}

// Hands the style of the nearest scaled ancestor to each widget as it is
// polished, before it first measures itself.
class InheritScale : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Polish || !watched->isWidgetType()) return false;
        InheritWidgetScale(static_cast<QWidget*>(watched));
        return false;
    }
};

void WatchPolish() {
    static QPointer<InheritScale> watcher;
    if (watcher || !qApp) return;
    watcher = new InheritScale;
    watcher->setParent(qApp);
    qApp->installEventFilter(watcher);
}

QStyle* ApplicationStyleCopy() {
    QStyle* copy = QStyleFactory::create(QApplication::style()->name());
    return copy ? copy : QStyleFactory::create(QStringLiteral("Fusion"));
}

}  // namespace

ScaledStyle::ScaledStyle(qreal scale) : QProxyStyle(ApplicationStyleCopy()), scale_(scale) {}

int ScaledStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                             const QWidget* widget) const {
    const int base = QProxyStyle::pixelMetric(metric, option, widget);
    // Negative values are not lengths ("as the style sees fit").
    if (atDeviceSize_ || base <= 0) return base;
    return qRound(base * scale_);
}

QSize ScaledStyle::sizeFromContents(ContentsType type, const QStyleOption* option,
                                    const QSize& size, const QWidget* widget) const {
    QSize contents = QProxyStyle::sizeFromContents(type, option, size, widget);
    if (type == CT_MenuItem && option) contents.rwidth() += option->fontMetrics.averageCharWidth();
    return contents;
}

template <typename Option, typename Draw>
void ScaledStyle::DrawEnlarged(const Option& option, QPainter* painter, Draw draw) const {
    Option small = option;
    small.rect =
        QRect(0, 0, qRound(option.rect.width() / scale_), qRound(option.rect.height() / scale_));
    painter->save();
    painter->translate(option.rect.topLeft());
    painter->scale(qreal(option.rect.width()) / std::max(1, small.rect.width()),
                   qreal(option.rect.height()) / std::max(1, small.rect.height()));
    painter->setRenderHint(QPainter::Antialiasing);
    atDeviceSize_ = true;
    draw(&small);
    atDeviceSize_ = false;
    painter->restore();
}

void ScaledStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                QPainter* painter, const QWidget* widget) const {
    switch (element) {
        case PE_IndicatorArrowUp:
        case PE_IndicatorArrowDown:
        case PE_IndicatorArrowLeft:
        case PE_IndicatorArrowRight:
        case PE_IndicatorCheckBox:
        case PE_IndicatorRadioButton:
            if (!atDeviceSize_ && option && !option->rect.isEmpty()) {
                if (const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option)) {
                    return DrawEnlarged(*button, painter, [&](const QStyleOption* small) {
                        QProxyStyle::drawPrimitive(element, small, painter, widget);
                    });
                }
                return DrawEnlarged(*option, painter, [&](const QStyleOption* small) {
                    QProxyStyle::drawPrimitive(element, small, painter, widget);
                });
            }
            break;
        default:
            break;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void ScaledStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                     QPainter* painter, const QWidget* widget) const {
    if (!atDeviceSize_ && option && !option->rect.isEmpty()) {
        if (control == CC_ScrollBar) {
            if (const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option)) {
                return DrawEnlarged(*bar, painter, [&](const QStyleOptionSlider* small) {
                    QProxyStyle::drawComplexControl(control, small, painter, widget);
                });
            }
        } else if (control == CC_ComboBox) {
            // The frame and the button; the chosen entry's text is drawn on
            // its own, at the font's size.
            if (const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(option)) {
                return DrawEnlarged(*combo, painter, [&](const QStyleOptionComboBox* small) {
                    QProxyStyle::drawComplexControl(control, small, painter, widget);
                });
            }
        }
    }
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}

void InheritWidgetScale(QWidget* widget) {
    if (widget->testAttribute(Qt::WA_SetStyle)) return;
    for (QWidget* up = widget->parentWidget(); up; up = up->parentWidget()) {
        if (!up->testAttribute(Qt::WA_SetStyle)) continue;
        if (ScaledStyle* style = ScaledStyleOf(up)) widget->setStyle(style);
        return;
    }
}

void SetWidgetScale(QWidget* root, qreal scale) {
    ScaledStyle* old = ScaledStyleOf(root);
    if (old && std::abs(old->scale() - scale) < kSameScale) return;
    ScaledStyle* style = nullptr;
    if (std::abs(scale - 1) >= kSameScale) {
        WatchPolish();
        style = new ScaledStyle(scale);
        style->setParent(root);
    } else if (!old) {
        return;
    }
    QList<QWidget*> tree = root->findChildren<QWidget*>();
    tree.prepend(root);
    for (QWidget* widget : tree) {
        const bool inherits = !widget->testAttribute(Qt::WA_SetStyle);
        if (widget == root || inherits || (old && widget->style() == old)) {
            widget->setStyle(style);
        }
    }
    delete old;
}

}  // namespace inkvista
