// A static text showing a device path. A path has no blanks to wrap at, so
// the label lays it out itself: a long path breaks after its separators (and
// inside a folder name only when that alone is wider than the label). The
// breaks are the label's own; its text stays the path as it is.
#pragma once

#include <QLabel>
#include <QStringList>

namespace inkvista {

class PathLabel : public QLabel {
    Q_OBJECT

  public:
    using QLabel::QLabel;

    // The lines the text is drawn in, at the label's width; together they
    // are the text.
    QStringList Lines() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace inkvista
