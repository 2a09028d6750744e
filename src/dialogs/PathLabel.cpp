#include "dialogs/PathLabel.h"

#include <QPainter>
#include <QTextLayout>

namespace inkvista {

namespace {

// Lays `path` out in lines of `width` pixels. A zero-width space after each
// separator gives the layout its break opportunities; it never leaves here.
struct PathLayout {
    PathLayout(const QString& path, const QFont& font, int width)
        : text(QString(path).replace(QLatin1Char('\\'), QStringLiteral("\\\u200B"))),
          layout(text, font) {
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        const QFontMetrics metrics(font);
        int y = 0;
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            line.setPosition(QPointF(0, y));
            y += metrics.lineSpacing();
        }
        layout.endLayout();
    }

    QString text;
    QTextLayout layout;
};

}  // namespace

QStringList PathLabel::Lines() const {
    const PathLayout laid(text(), font(), contentsRect().width());
    QStringList lines;
    for (int i = 0; i < laid.layout.lineCount(); ++i) {
        const QTextLine line = laid.layout.lineAt(i);
        lines.append(laid.text.mid(line.textStart(), line.textLength()).remove(QChar(0x200B)));
    }
    return lines;
}

void PathLabel::paintEvent(QPaintEvent* /*event*/) {
    const QRect area = contentsRect();
    const PathLayout laid(text(), font(), area.width());
    QPainter painter(this);
    painter.setClipRect(area);
    painter.setPen(palette().color(foregroundRole()));
    laid.layout.draw(&painter, area.topLeft());
}

}  // namespace inkvista
