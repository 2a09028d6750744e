// Script mode: what a script takes away from a run, the screenshot and the
// state file.
#include <png.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <string>

#include "app/BackWnd.h"
#include "app/ScriptRunner.h"
#include "models/Json.h"
#include "platform/AtomicFile.h"
#include "platform/Screen.h"
#include "ui/DialogControls.h"

namespace inkvista {

namespace {

void AppendPngBytes(png_structp writer, png_bytep data, size_t length) {
    static_cast<std::string*>(png_get_io_ptr(writer))
        ->append(reinterpret_cast<const char*>(data), length);
}

// A shot as PNG, its rows as they are (no row filters) at zlib's fastest
// level: a shot is read for its pixels. Qt's writer keeps libpng's adaptive
// filters at any quality, and libpng's simplified writer deflates harder and
// wants the rows converted first; either took most of the shot's time.
bool EncodePng(const QImage& screen, std::string* png) {
    if (screen.isNull() || screen.format() != QImage::Format_RGB32) return false;
    png_structp writer = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = writer ? png_create_info_struct(writer) : nullptr;
    volatile bool written = false;  // read again after libpng's error jump
    if (info && setjmp(png_jmpbuf(writer)) == 0) {
        png_set_write_fn(writer, png, AppendPngBytes, nullptr);
        png_set_IHDR(writer, info, static_cast<png_uint_32>(screen.width()),
                     static_cast<png_uint_32>(screen.height()), 8, PNG_COLOR_TYPE_RGB,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_set_filter(writer, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
        png_set_compression_level(writer, 1);
        png_write_info(writer, info);
        // An RGB32 pixel is 0xffRRGGBB: its unused byte is dropped.
        if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
            png_set_bgr(writer);
            png_set_filler(writer, 0, PNG_FILLER_AFTER);
        } else {
            png_set_filler(writer, 0, PNG_FILLER_BEFORE);
        }
        for (int y = 0; y < screen.height(); ++y) png_write_row(writer, screen.constScanLine(y));
        png_write_end(writer, nullptr);
        written = true;
    }
    png_destroy_write_struct(&writer, &info);
    return written;
}

bool WriteOutput(const std::filesystem::path& file, std::string_view bytes, std::string* error) {
    std::error_code ec;
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
    // Made again by the next run, not kept: renamed into place, not flushed
    // to the disk (the flushes were a third of a shot's time).
    if (!WriteFileAtomically(file, bytes, kKeepMode, nullptr, Durability::Renamed)) {
        *error = "cannot write " + file.string();
        return false;
    }
    return true;
}

// One control of a dialog as the state shows it: its text, and where they
// apply whether it is checked, its entries and the chosen one.
JsonValue ControlState(QWidget* control) {
    JsonValue out = JsonValue::Object();
    QString text;
    if (auto* label = qobject_cast<QLabel*>(control)) {
        text = label->text();
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        text = edit->text();
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        text = button->text();
        if (button->isCheckable()) out["checked"] = button->isChecked();
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        text = combo->currentText();
        out["selectedIndex"] = combo->currentIndex();
        JsonValue& items = out["items"] = JsonValue::Array();
        for (int i = 0; i < combo->count(); ++i) items.Append(combo->itemText(i).toStdU16String());
    } else if (auto* view = qobject_cast<QAbstractItemView*>(control)) {
        const QAbstractItemModel* model = view->model();
        const QModelIndex current = view->currentIndex();
        out["selectedIndex"] = current.isValid() ? current.row() : -1;
        JsonValue& items = out["items"] = JsonValue::Array();
        const int rows = model ? model->rowCount(view->rootIndex()) : 0;
        for (int i = 0; i < rows; ++i) {
            items.Append(model->index(i, 0, view->rootIndex()).data().toString().toStdU16String());
        }
    } else {
        text = control->windowTitle();
    }
    out["text"] = text.toStdU16String();
    return out;
}

JsonValue DialogControlsState(QWidget* dialog) {
    if (!dialog) return JsonValue();
    JsonValue controls = JsonValue::Object();
    const auto children = dialog->findChildren<QWidget*>();
    for (QWidget* child : children) {
        const int id = ControlId(child);
        if (id == kStaticControlId) continue;
        const std::string key = std::to_string(id);
        controls[key] = ControlState(child);
    }
    return controls;
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
    std::string png;
    if (!EncodePng(ComposeScreen(), &png)) {
        *error = "cannot write " + file.string();
        return false;
    }
    return WriteOutput(file, png, error);
}

bool ScriptRunner::WriteState(const std::filesystem::path& file, std::string* error) {
    QCoreApplication::sendPostedEvents();
    JsonValue state = JsonValue::Object();
    main_.WriteState(state);
    JsonValue& texts = state["messages"] = JsonValue::Array();
    for (const std::u16string& text : messages_.shown()) texts.Append(text);
    QWidget* dialog = TopDialog();
    state["dialog"] = dialog ? JsonValue(dialog->windowTitle().toStdU16String()) : JsonValue();
    state["dialogControls"] = DialogControlsState(dialog);
    return WriteOutput(file, state.ToText(), error);
}

}  // namespace inkvista
