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

// A shot as PNG, in libpng's fast mode (no row filters, light deflate): a
// shot is read for its pixels, and Qt's PNG writer keeps libpng's adaptive
// row filters at any quality, which took three times as long.
bool EncodePng(const QImage& screen, std::string* png) {
    const QImage rgb = screen.convertToFormat(QImage::Format_RGB888);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(rgb.width());
    image.height = static_cast<png_uint_32>(rgb.height());
    image.format = PNG_FORMAT_RGB;
    image.flags = PNG_IMAGE_FLAG_FAST;
    png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(image);
    png->resize(size);
    if (!png_image_write_to_memory(&image, png->data(), &size, 0, rgb.constBits(),
                                   static_cast<png_int_32>(rgb.bytesPerLine()), nullptr)) {
        png_image_free(&image);
        return false;
    }
    png->resize(size);
    return true;
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
