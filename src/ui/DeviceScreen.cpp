#include "ui/DeviceScreen.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

#include "platform/Screen.h"

namespace inkvista {

namespace {

// The top-level window that holds the device screen: dialogs are owned by
// it, directly or through another dialog.
const QWidget* MainWindowOf(const QWidget* widget) {
    const QWidget* top = widget->window();
    while (top->parentWidget()) top = top->parentWidget()->window();
    return top;
}

}  // namespace

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
    const QRect client(main->mapToGlobal(QPoint(0, 0)), main->size());
    if (client.width() < 1 || client.height() < 1) {
        view.rect = QRect(client.topLeft(), device);
        return view;
    }
    view.scale =
        std::min(qreal(client.width()) / device.width(), qreal(client.height()) / device.height());
    const QSize shown(qRound(device.width() * view.scale), qRound(device.height() * view.scale));
    view.rect = QRect(QPoint(0, 0), shown.boundedTo(client.size()));
    view.rect.moveCenter(client.center());
    return view;
}

}  // namespace inkvista
