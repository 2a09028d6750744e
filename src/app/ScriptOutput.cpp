// Script mode: what a script takes away from a run, the screenshot and the
// state file.
#include <QBuffer>
#include <QByteArray>
#include <QCoreApplication>
#include <QDialog>
#include <QPainter>

#include "app/BackWnd.h"
#include "app/ScriptRunner.h"
#include "models/Json.h"
#include "platform/AtomicFile.h"
#include "platform/Screen.h"

namespace inkvista {

namespace {

bool WriteOutput(const std::filesystem::path& file, std::string_view bytes, std::string* error) {
    std::error_code ec;
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
    if (!WriteFileAtomically(file, bytes)) {
        *error = "cannot write " + file.string();
        return false;
    }
    return true;
}

}  // namespace

QImage ScriptRunner::ComposeScreen() const {
    QImage image(kScreenWidth, kScreenHeight, QImage::Format_RGB32);
    // What no window covers: the main window is 0 × 0 until its first
    // activation.
    image.fill(Qt::black);
    QPainter painter(&image);
    auto draw = [&](QWidget* w) {
        if (!w || !w->isVisible() || w->size().isEmpty()) return;
        const QPoint at = w->geometry().topLeft();
        w->render(&painter, at, QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
        if (qobject_cast<QDialog*>(w)) {
            // A frame, so the dialog stands out from the screen under it.
            painter.setPen(QColor(0x40, 0x40, 0x40));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(QRect(at - QPoint(1, 1), w->size() + QSize(1, 1)));
        }
    };
    draw(&main_);
    for (const QPointer<QWidget>& w : shown_) draw(w.data());
    painter.end();
    return image;
}

bool ScriptRunner::WriteShot(const std::filesystem::path& file, std::string* error) {
    QCoreApplication::sendPostedEvents();
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !ComposeScreen().save(&buffer, "PNG")) {
        *error = "cannot write " + file.string();
        return false;
    }
    return WriteOutput(file, std::string_view(png.constData(), static_cast<size_t>(png.size())),
                       error);
}

bool ScriptRunner::WriteState(const std::filesystem::path& file, std::string* error) {
    QCoreApplication::sendPostedEvents();
    JsonValue state = JsonValue::Object();
    main_.WriteState(state);
    JsonValue& texts = state["messages"] = JsonValue::Array();
    for (const std::u16string& text : messages_.shown()) texts.Append(text);
    QWidget* dialog = TopDialog();
    state["dialog"] = dialog ? JsonValue(dialog->windowTitle().toStdU16String()) : JsonValue();
    return WriteOutput(file, state.ToText(), error);
}

}  // namespace inkvista
