// The baseline of the start-up measurement (bench/startup.sh): the bare Qt
// start of an empty 240 × 320 window, painted once and saved as PNG, as the
// reader's script mode does with one `shot`.
#include <QApplication>
#include <QPixmap>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(240, 320);
    window.show();
    const bool saved = window.grab().save(argc > 1 ? QString::fromLocal8Bit(argv[1])
                                                   : QStringLiteral("empty.png"));
    return saved ? 0 : 1;
}
