#include "ui/DialogControls.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QVariant>
#include <QWidget>
#include <algorithm>
#include <functional>

#include "platform/Win32.h"
#include "ui/Artwork.h"
#include "ui/DeviceScreen.h"
#include "ui/Fonts.h"
#include "ui/ScaledStyle.h"

namespace inkvista {

namespace {

// The device's screen resolution, in dots per inch.
constexpr int kDeviceDpi = 96;

// a * b / c rounded half away from zero, as the system's MulDiv does.
int MulDiv(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

QString FromView(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

const DialogBaseUnits& SystemTenUnits() {
    static const DialogBaseUnits units = BaseUnitsOf(TemplateFont(DialogFace::System, 10));
    return units;
}

}  // namespace

QColor CaptionColour() {
    // The colour of the home screen's banner.
    return QColor(0x1d, 0x29, 0x57);
}

void SetControlId(QWidget* control, int id) {
    if (control) control->setProperty(kControlIdProperty, id);
}

int ControlId(const QWidget* control) {
    if (!control) return kStaticControlId;
    const QVariant id = control->property(kControlIdProperty);
    bool ok = false;
    const int value = id.toInt(&ok);
    return id.isValid() && ok ? value : kStaticControlId;
}

QWidget* FindControl(QWidget* dialog, int id) {
    if (!dialog) return nullptr;
    const auto children = dialog->findChildren<QWidget*>();
    for (QWidget* child : children) {
        if (ControlId(child) == id && child->property(kControlIdProperty).isValid()) return child;
    }
    return nullptr;
}

QFont TemplateFont(DialogFace /*face*/, int pointSize, qreal scale) {
    // A narrow sans face, as the device's: the templates are drawn for it,
    // and a wide face would not fit them on the 240-pixel screen.
    QFont font =
        ReaderFont(kSansFamily, std::max(1, qRound(MulDiv(pointSize, kDeviceDpi, 72) * scale)));
    font.setStretch(QFont::SemiCondensed);
    return font;
}

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    // The average over the 52 letters, rounded.
    return DialogBaseUnits{(letters / 26 + 1) / 2, metrics.height()};
}

QRect MapDialogRect(const DialogBaseUnits& units, int x, int y, int width, int height) {
    const int left = MulDiv(x, units.x, 4);
    const int top = MulDiv(y, units.y, 8);
    const int right = MulDiv(x + width, units.x, 4);
    const int bottom = MulDiv(y + height, units.y, 8);
    return QRect(left, top, right - left, bottom - top);
}

QRect DialogUnitsToPixels(int x, int y, int width, int height) {
    return MapDialogRect(SystemTenUnits(), x, y, width, height);
}

QSize DialogUnitsToPixels(int width, int height) {
    return MapDialogRect(SystemTenUnits(), 0, 0, width, height).size();
}

TemplateDialog::TemplateDialog(QWidget* owner, const DialogTemplate& dialogTemplate)
    : QDialog(owner), templateId_(dialogTemplate.id), scale_(DeviceScreenOf(owner).scale) {
    SetUp(FromView(dialogTemplate.title),
          TemplateFont(dialogTemplate.face, dialogTemplate.pointSize, scale_), dialogTemplate.width,
          dialogTemplate.height);
    templatePosition_ = MapDialogRect(units_, dialogTemplate.x, dialogTemplate.y, 0, 0).topLeft();
    for (const ControlRow& row : dialogTemplate.controls) AddControl(row);
}

TemplateDialog::TemplateDialog(QWidget* owner, int templateId, const QString& title, int widthDu,
                               int heightDu, qreal scale)
    : QDialog(owner),
      templateId_(templateId),
      scale_(scale > 0 ? scale : DeviceScreenOf(owner).scale) {
    SetUp(title, TemplateFont(DialogFace::System, 10, scale_), widthDu, heightDu);
}

void TemplateDialog::SetUp(const QString& title, const QFont& font, int widthDu, int heightDu) {
    setWindowTitle(title);
    setModal(true);
    // Before any control: each takes the look of the scale as it is made.
    SetWidgetScale(this, scale_);
    // The dialog is part of the device's screen: no frame of the desktop's.
    setWindowFlag(Qt::FramelessWindowHint);
    setFont(font);
    units_ = BaseUnitsOf(font);
    const QSize client = MapDialogRect(units_, 0, 0, widthDu, heightDu).size();
    setFixedSize(client.width(), client.height() + captionHeight());
}

int TemplateDialog::captionHeight() const {
    return units_.y + qRound(6 * scale_);
}

QRect TemplateDialog::clientRect() const {
    return QRect(0, captionHeight(), width(), height() - captionHeight());
}

void TemplateDialog::Place(QWidget* control, int x, int y, int width, int height) const {
    control->setGeometry(MapDialogRect(units_, x, y, width, height).translated(0, captionHeight()));
}

QPushButton* TemplateDialog::AddButton(int id, const QString& text, int x, int y, int width,
                                       int height, bool isDefault) {
    auto* button = Keep(std::make_unique<QPushButton>(text, this));
    SetControlId(button, id);
    Place(button, x, y, width, height);
    button->setDefault(isDefault);
    button->setAutoDefault(isDefault);
    return button;
}

QLabel* TemplateDialog::AddText(int id, const QString& text, int x, int y, int width, int height) {
    auto* label = Keep(std::make_unique<QLabel>(text, this));
    if (id != kStaticControlId) SetControlId(label, id);
    Place(label, x, y, width, height);
    return label;
}

namespace {

// A closed drop-down list is as high as its selection field; the rest of
// the template's height is for the list that drops down.
void SetUpDropDown(QComboBox* combo, const QRect& full, const DialogBaseUnits& units, qreal scale) {
    const int closed = std::min(full.height(), units.y + qRound(6 * scale));
    combo->setGeometry(full.x(), full.y(), full.width(), closed);
    const int itemHeight = std::max(1, units.y + qRound(2 * scale));
    combo->setMaxVisibleItems(std::max(1, (full.height() - closed) / itemHeight));
}

// The desktop's face is a little wider than the device's, and its style
// sets a box's text further from the box, so a text the template sizes
// exactly would be cut or wrapped: such a text is drawn a little narrower.
// `needed` measures the control's text in a font. A step at a time, as the
// face's widths do not shrink in proportion.
void NarrowToFit(QWidget* control, const std::function<int(const QFont&)>& needed, int width) {
    constexpr int kNarrowest = 80;  // percent of the normal width
    const QFont normal = control->font();
    for (int percent = 100; needed(control->font()) > width && percent > kNarrowest; --percent) {
        QFont narrow = normal;
        narrow.setStretch(std::max(1, normal.stretch() * (percent - 1) / 100));
        control->setFont(narrow);
    }
}

// Boxes take their whole text on one line; a label one line high too.
void FitText(QWidget* control, ControlKind kind, const QString& text, const QRect& rect) {
    if (kind == ControlKind::CheckBox || kind == ControlKind::RadioButton) {
        NarrowToFit(
            control, [control](const QFont&) { return control->sizeHint().width(); }, rect.width());
    } else if (kind == ControlKind::Label && !text.isEmpty()) {
        const QFontMetrics metrics(control->font());
        if (rect.height() < 2 * metrics.height()) {
            // Wrapping would break a text that fits to the pixel.
            static_cast<QLabel*>(control)->setWordWrap(false);
            NarrowToFit(
                control,
                [&text](const QFont& font) { return QFontMetrics(font).horizontalAdvance(text); },
                rect.width());
        }
    }
}

}  // namespace

QWidget* TemplateDialog::CreateControl(const ControlRow& row, const QRect& rect) {
    const QString text = FromView(row.text);
    QWidget* made = nullptr;
    switch (row.kind) {
        case ControlKind::GroupBox:
            made = Keep(std::make_unique<QGroupBox>(text, this));
            break;
        case ControlKind::Label: {
            auto* label = Keep(std::make_unique<QLabel>(text, this));
            label->setWordWrap(true);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            made = label;
            break;
        }
        case ControlKind::Button:
        case ControlKind::DefaultButton: {
            auto* button = Keep(std::make_unique<QPushButton>(text, this));
            const bool isDefault = row.kind == ControlKind::DefaultButton;
            button->setDefault(isDefault);
            button->setAutoDefault(isDefault);
            made = button;
            break;
        }
        case ControlKind::RadioButton:
            made = Keep(std::make_unique<QRadioButton>(text, this));
            break;
        case ControlKind::CheckBox:
            made = Keep(std::make_unique<QCheckBox>(text, this));
            break;
        case ControlKind::DropDownList: {
            auto* combo = Keep(std::make_unique<QComboBox>(this));
            SetUpDropDown(combo, rect, units_, scale_);
            made = combo;
            break;
        }
        case ControlKind::PasswordEdit: {
            auto* edit = Keep(std::make_unique<QLineEdit>(this));
            edit->setEchoMode(QLineEdit::Password);
            made = edit;
            break;
        }
        case ControlKind::Picture: {
            auto* picture = Keep(std::make_unique<QLabel>(this));
            QPixmap bitmap =
                QPixmap::fromImage(LoadBitmap(row.bitmap, scale_ * ScreenPixelRatio()));
            bitmap.setDevicePixelRatio(ScreenPixelRatio());
            picture->setPixmap(bitmap);
            picture->setGeometry(QRect(rect.topLeft(), bitmap.deviceIndependentSize().toSize()));
            made = picture;
            break;
        }
    }
    return made;
}

QWidget* TemplateDialog::AddControl(const ControlRow& row) {
    const QRect rect =
        MapDialogRect(units_, row.x, row.y, row.width, row.height).translated(0, captionHeight());
    QWidget* made = CreateControl(row, rect);
    if (row.kind != ControlKind::DropDownList && row.kind != ControlKind::Picture) {
        made->setGeometry(rect);
    }
    FitText(made, row.kind, FromView(row.text), rect);
    if (row.id != kStaticControlId) {
        SetControlId(made, row.id);
        if (auto* button = qobject_cast<QAbstractButton*>(made)) {
            const int id = row.id;
            connect(button, &QAbstractButton::clicked, this, [this, id] { OnCommand(id); });
        }
    }
    return made;
}

void TemplateDialog::OnCommand(int /*id*/) {}

void TemplateDialog::reject() {
    done(IDCANCEL);
}

void TemplateDialog::PlaceOverOwner() {
    const QRect screen = DeviceScreenOf(this).rect;
    QPoint origin = screen.topLeft();
    if (QWidget* owner = parentWidget()) {
        QPoint client(0, 0);
        if (auto* ownerDialog = qobject_cast<TemplateDialog*>(owner)) {
            client = ownerDialog->clientRect().topLeft();
        }
        // The main window's client area is the screen it draws.
        origin = owner->parentWidget() || qobject_cast<TemplateDialog*>(owner)
                     ? owner->mapToGlobal(client)
                     : screen.topLeft();
    }
    const QPoint wanted = origin + templatePosition_;
    const int x =
        std::clamp(wanted.x(), screen.x(), screen.x() + std::max(0, screen.width() - width()));
    const int y =
        std::clamp(wanted.y(), screen.y(), screen.y() + std::max(0, screen.height() - height()));
    move(x, y);
}

void TemplateDialog::CentreOverScreen() {
    const QRect screen = DeviceScreenOf(this).rect;
    const QSize frame = frameGeometry().size().isValid() ? frameGeometry().size() : size();
    const int x = screen.x() + (screen.width() - frame.width()) / 2;
    const int y = screen.y() + (screen.height() - frame.height()) / 2;
    move(std::max(screen.x(), x), std::max(screen.y(), y));
}

void TemplateDialog::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter painter(this);
    const QRect caption(0, 0, width(), captionHeight());
    painter.fillRect(caption, CaptionColour());
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(Qt::white);
    const int margin = qRound(6 * scale_);
    painter.drawText(caption.adjusted(margin, 0, -margin, 0), Qt::AlignLeft | Qt::AlignVCenter,
                     windowTitle());
}

}  // namespace inkvista
