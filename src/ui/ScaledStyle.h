// Controls of the device screen drawn larger than the device's pixels. Their
// texts grow with their fonts; what the style measures and draws around them
// (scroll bars, check and radio marks, arrows, margins) grows here, so that a
// dialog or the list at scale 3 looks as it does at 1, only finer.
#pragma once

#include <QProxyStyle>

class QWidget;

namespace inkvista {

class ScaledStyle : public QProxyStyle {
    Q_OBJECT

  public:
    explicit ScaledStyle(qreal scale);

    qreal scale() const { return scale_; }
    void SetScale(qreal scale) { scale_ = scale; }

    // The application style's metrics times the scale.
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    // A popup menu's items a letter wider: the application style measures
    // an item's text a little short of what it then draws, which large
    // texts no longer hide ("Delete" came out as "D…e").
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget = nullptr) const override;
    // The small pictures, and the scroll bars and drop-down buttons made of
    // them, drawn as at scale 1 and enlarged: the application style draws
    // them at fixed sizes of its own.
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget = nullptr) const override;

  private:
    template <typename Option, typename Draw>
    void DrawEnlarged(const Option& option, QPainter* painter, Draw draw) const;

    qreal scale_;
    // Set while a picture is drawn as at scale 1: the metrics the base style
    // asks for meanwhile are its own.
    mutable bool atDeviceSize_ = false;
};

// Gives `root` and every widget under it, those made later too (a popup
// menu, the list of a drop-down), the look of the device screen at `scale`.
// At scale 1 they have the application's style, untouched.
void SetWidgetScale(QWidget* root, qreal scale);
// Gives `widget` the look of the scaled tree it was made in, at once: for a
// widget that lays itself out before it is first shown (a popup menu).
void InheritWidgetScale(QWidget* widget);

}  // namespace inkvista
