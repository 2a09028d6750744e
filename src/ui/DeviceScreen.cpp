#include "ui/DeviceScreen.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVariant>
#include <QWidget>
#include <algorithm>
#include <array>
#include <cmath>

#include "platform/Screen.h"

namespace inkvista {

namespace {

constexpr char kRectProperty[] = "inkvistaDeviceScreenRect";
constexpr char kScaleProperty[] = "inkvistaDeviceScreenScale";

constexpr std::array<qreal, 13> kScaleSteps = {1, 1.25, 1.5, 1.75, 2, 2.5, 3, 3.5, 4, 5, 6, 7, 8};
// Scales this close are the same scale: a fit computed from a rounded
// window size is never exactly a step.
constexpr qreal kSameScale = 1e-6;

// The top-level window that holds the device screen: dialogs are owned by
// it, directly or through another dialog.
const QWidget* MainWindowOf(const QWidget* widget) {
    const QWidget* top = widget->window();
    while (top->parentWidget()) top = top->parentWidget()->window();
    return top;
}

}  // namespace

qreal FitScale(const QSize& area) {
    const qreal across = qreal(area.width()) / kScreenWidth;
    const qreal down = qreal(area.height()) / kScreenHeight;
    return std::clamp(std::min(across, down), qreal(1), kLargestScale);
}

QSize ScreenSizeAt(qreal scale) {
    return QSize(qRound(kScreenWidth * scale), qRound(kScreenHeight * scale));
}

QRect CentredScreen(const QSize& window, qreal scale) {
    const QSize shown = ScreenSizeAt(scale);
    return QRect(QPoint(std::max(0, (window.width() - shown.width()) / 2),
                        std::max(0, (window.height() - shown.height()) / 2)),
                 shown);
}

qreal StepScale(qreal scale, bool larger, qreal limit) {
    if (larger) {
        if (scale >= limit - kSameScale) return scale;
        const auto next = std::find_if(kScaleSteps.begin(), kScaleSteps.end(),
                                       [scale](qreal step) { return step > scale + kSameScale; });
        return next == kScaleSteps.end() ? std::min(limit, kLargestScale) : std::min(*next, limit);
    }
    const auto below = std::find_if(kScaleSteps.rbegin(), kScaleSteps.rend(),
                                    [scale](qreal step) { return step < scale - kSameScale; });
    return below == kScaleSteps.rend() ? kScaleSteps.front() : *below;
}

void PublishDeviceScreen(QWidget* mainWindow, const QRect& inWindow, qreal scale) {
    mainWindow->setProperty(kRectProperty, inWindow);
    mainWindow->setProperty(kScaleProperty, scale);
}

DeviceScreenView DeviceScreenOf(const QWidget* window) {
    const QSize device(kScreenWidth, kScreenHeight);
    DeviceScreenView view;
    if (!window) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const QRect desktop = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), device);
        view.rect = QRect(QPoint(0, 0), device);
        view.rect.moveCenter(desktop.center());
        return view;
    }
    const QWidget* main = MainWindowOf(window);
    const QPoint origin = main->mapToGlobal(QPoint(0, 0));
    const QVariant published = main->property(kRectProperty);
    if (published.isValid()) {
        view.scale = main->property(kScaleProperty).toReal();
        view.rect = published.toRect().translated(origin);
        return view;
    }
    if (main->width() < 1 || main->height() < 1) {
        view.rect = QRect(origin, device);
        return view;
    }
    view.scale = FitScale(main->size());
    view.rect = CentredScreen(main->size(), view.scale).translated(origin);
    return view;
}

}  // namespace inkvista
