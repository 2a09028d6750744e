// The baselines of the start-up measurement (bench/startup.sh): the bare Qt
// start of an empty window. Given a file, a 240 x 320 window painted once and
// saved as PNG there, as the reader's script mode does with one `shot`; given
// --maximised, a maximised window that ends once it has painted at that size
// and the X server has taken the frame, as inkvista_window_start does.
#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <cstdlib>

#include "ReachScreen.h"

namespace {

class Empty : public QWidget {
  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect(), Qt::white);
        const QScreen* desktop = screen();
        if (desktop && width() < desktop->availableGeometry().width() * 9 / 10) return;
        QTimer::singleShot(0, [] {
            ReachScreen();
            // The frame is the end of the measurement, as for the reader.
            std::_Exit(0);
        });
    }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString argument =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("empty.png");
    if (argument == QLatin1String("--maximised")) {
        Empty window;
        window.setWindowTitle(QStringLiteral("empty"));
        window.showMaximized();
        return app.exec();
    }
    QWidget window;
    window.resize(240, 320);
    window.show();
    return window.grab().save(argument) ? 0 : 1;
}
