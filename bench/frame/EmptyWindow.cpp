// The baselines of the start-up measurement (bench/startup.sh): the bare Qt
// start of an empty window. Given a file, a 240 x 320 window painted once and
// saved as PNG there, as the reader's script mode does with one `shot`; given
// --maximised, a maximised window that ends once it has painted at that size
// and the X server has taken the frame, as inkvista_window_start does.
// With --text first, the window also draws one line of text in Qt's default
// font: what a Qt program pays for its first text (the machine's fonts read,
// a face set up, its glyphs drawn), which the bare window never does.
//   inkvista_empty_window [--text] (FILE | --maximised)
#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <memory>

#include "ReachScreen.h"

namespace {

class Empty : public QWidget {
  public:
    Empty(bool text, bool endAtFrame) : text_(text), endAtFrame_(endAtFrame) {}

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        if (text_) painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("InkVISTA 1/20"));
        const QScreen* desktop = screen();
        if (!endAtFrame_ || (desktop && width() < desktop->availableGeometry().width() * 9 / 10)) {
            return;
        }
        QTimer::singleShot(0, [] {
            ReachScreen();
            // The frame is the end of the measurement, as for the reader.
            std::_Exit(0);
        });
    }

  private:
    bool text_;
    bool endAtFrame_;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    const bool text = !arguments.isEmpty() && arguments.first() == QLatin1String("--text");
    if (text) arguments.removeFirst();
    const QString argument = arguments.value(0, QStringLiteral("empty.png"));
    if (argument == QLatin1String("--maximised")) {
        Empty window(text, true);
        window.setWindowTitle(QStringLiteral("empty"));
        window.showMaximized();
        return app.exec();
    }
    // Without text a plain widget, as the baseline has always been.
    const std::unique_ptr<QWidget> window =
        text ? std::make_unique<Empty>(true, false) : std::make_unique<QWidget>();
    window->resize(240, 320);
    window->show();
    return window->grab().save(argument) ? 0 : 1;
}
