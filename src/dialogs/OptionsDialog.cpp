#include "dialogs/OptionsDialog.h"

#include <QAbstractButton>
#include <QComboBox>

#include "dialogs/PasswordDialogs.h"
#include "dialogs/UserDirDialog.h"
#include "platform/Win32.h"

namespace inkvista {

namespace {

// The registry refused a value the dialogs inside Options store at once.
constexpr std::u16string_view kRegistryWriteError = u"Error on Writing Registry Data";

using K = ControlKind;

constexpr ControlRow kControls[] = {
    {kStaticControlId, K::GroupBox, u"View Mode", 2, 1, 128, 29},
    {kOptionsLandscapeId, K::RadioButton, u"LandScape", 6, 9, 51, 10},
    {kOptionsPortraitId, K::RadioButton, u"Portrait", 6, 19, 40, 10},
    {kOptionsFitToWindowId, K::CheckBox, u"Fit to Window", 68, 13, 57, 10},
    {kOptionsShowHiddenId, K::CheckBox, u"Show Hidden Files", 3, 34, 71, 10},
    {kOptionsPasswordId, K::Button, u"Password", 91, 33, 39, 14},
    {kOptionsKoreanPatchId, K::CheckBox, u"PPC 2002 Korean Patch", 3, 46, 87, 10},
    {kOptionsAddDirId, K::Button, u"Add Dir", 94, 48, 36, 13},
    {kStaticControlId, K::GroupBox, u"Scroll Mode", 2, 61, 129, 48},
    {kOptionsSmoothScrollId, K::CheckBox, u"Smooth Scroll", 6, 70, 59, 10},
    {kOptionsTabScrollId, K::CheckBox, u"Tab Scroll", 68, 70, 45, 10},
    {kStaticControlId, K::Label, u"Scroll Range", 6, 83, 42, 8},
    {kOptionsScrollRangeId, K::DropDownList, {}, 63, 82, 64, 67},
    {kStaticControlId, K::Label, u"Auto Scroll", 6, 95, 37, 8},
    {kOptionsAutoScrollId, K::DropDownList, {}, 63, 94, 64, 70},
    {kOptionsOkId, K::DefaultButton, u"OK", 1, 113, 65, 16},
    {kOptionsCancelId, K::Button, u"Cancel", 67, 113, 65, 16},
};

constexpr DialogTemplate kTemplate{
    kOptionsTemplateId, u"Options", DialogFace::System, 10, 1, 0, 132, 130, kControls};

// The list position whose value is `value`, or -1 (no selection).
template <size_t N>
int PositionOf(const std::array<uint32_t, N>& values, uint32_t value) {
    for (size_t i = 0; i < N; ++i) {
        if (values[i] == value) return static_cast<int>(i);
    }
    return -1;
}

// The value of the selected position; a list without a selection keeps the
// value it was given.
template <size_t N>
uint32_t ValueAt(const std::array<uint32_t, N>& values, int position, uint32_t previous) {
    if (position < 0 || static_cast<size_t>(position) >= N) return previous;
    return values[static_cast<size_t>(position)];
}

}  // namespace

OptionsDialog::OptionsDialog(QWidget* owner, Device& device, DialogWorkingCopies& working)
    : TemplateDialog(owner, kTemplate), device_(device), working_(working) {
    QComboBox* range = control<QComboBox>(kOptionsScrollRangeId);
    for (uint32_t value : kScrollRangeValues) range->addItem(QString::asprintf("%d", value));
    QComboBox* seconds = control<QComboBox>(kOptionsAutoScrollId);
    for (uint32_t value : kAutoScrollValues) {
        seconds->addItem(value == 0 ? QStringLiteral("Continous")
                                    : QString::asprintf("%d Sec", value));
    }
    ShowSettings();
}

void OptionsDialog::ShowSettings() {
    confirmed_ = false;
    const ViewOption& view = working_.viewOption;
    control<QAbstractButton>(view.portrait != 0 ? kOptionsPortraitId : kOptionsLandscapeId)
        ->setChecked(true);
    const std::pair<int, uint8_t> boxes[] = {
        {kOptionsFitToWindowId, view.fitToWindow},    {kOptionsKoreanPatchId, view.koreanPatch},
        {kOptionsShowHiddenId, view.showHiddenFiles}, {kOptionsSmoothScrollId, view.smoothScroll},
        {kOptionsTabScrollId, view.tabScroll},
    };
    for (const auto& [id, value] : boxes) control<QAbstractButton>(id)->setChecked(value != 0);
    control<QComboBox>(kOptionsScrollRangeId)
        ->setCurrentIndex(PositionOf(kScrollRangeValues, view.scrollRange));
    control<QComboBox>(kOptionsAutoScrollId)
        ->setCurrentIndex(PositionOf(kAutoScrollValues, view.autoScrollSec));
}

void OptionsDialog::TakeSettings() {
    ViewOption& view = working_.viewOption;
    auto checked = [this](int id) -> uint8_t {
        return control<QAbstractButton>(id)->isChecked() ? 1 : 0;
    };
    view.portrait = checked(kOptionsPortraitId);
    view.fitToWindow = checked(kOptionsFitToWindowId);
    view.koreanPatch = checked(kOptionsKoreanPatchId);
    view.showHiddenFiles = checked(kOptionsShowHiddenId);
    view.smoothScroll = checked(kOptionsSmoothScrollId);
    view.tabScroll = checked(kOptionsTabScrollId);
    view.scrollRange =
        ValueAt(kScrollRangeValues, control<QComboBox>(kOptionsScrollRangeId)->currentIndex(),
                view.scrollRange);
    view.autoScrollSec =
        ValueAt(kAutoScrollValues, control<QComboBox>(kOptionsAutoScrollId)->currentIndex(),
                view.autoScrollSec);
}

void OptionsDialog::OnCommand(int id) {
    switch (id) {
        case kOptionsOkId:
            confirmed_ = true;
            TakeSettings();
            done(IDOK);
            break;
        case kOptionsCancelId:
            confirmed_ = false;
            done(IDCANCEL);
            break;
        case kOptionsShowHiddenId:
            OnShowHiddenFiles();
            break;
        case kOptionsPasswordId:
            OnPassword();
            break;
        case kOptionsAddDirId:
            OnAddDir();
            break;
        default:
            break;
    }
}

void OptionsDialog::BeginPasswordEntry() {
    Shell& shell = device_.shell();
    shell.FullScreen(SHFS_HIDETASKBAR);
    shell.FullScreen(SHFS_SHOWSIPBUTTON);
    shell.FullScreen(SHFS_HIDESTARTICON);
    shell.ShowInputPanel(true);
}

void OptionsDialog::EndPasswordEntry() {
    Shell& shell = device_.shell();
    shell.FullScreen(SHFS_HIDESIPBUTTON);
    // With its button gone the panel could not be put away by hand.
    shell.ShowInputPanel(false);
}

void OptionsDialog::OnShowHiddenFiles() {
    auto* box = control<QAbstractButton>(kOptionsShowHiddenId);
    if (!PasswordSet(working_.password) || !box->isChecked()) return;
    BeginPasswordEntry();
    working_.passwordVerified = false;
    InputPasswordDialog prompt(this, device_.messages(), working_);
    RunOver(prompt);
    if (!working_.passwordVerified) box->setChecked(false);
    EndPasswordEntry();
}

void OptionsDialog::OnPassword() {
    BeginPasswordEntry();
    working_.passwordChanged = false;
    // A reset asked for earlier in this session stands: the password it
    // removed no longer guards the hidden books.
    working_.oldPassword = working_.password;
    const bool resetBefore = working_.resetRequested;
    PasswordSettingDialog setting(this, device_.messages(), working_);
    RunOver(setting);
    if (working_.passwordChanged && !Stored(StorePassword(device_, working_.password))) {
        // What the registry does not hold is not taken as set: the next
        // start would find the old password, and a reset it did not record
        // must not delete the hidden books.
        working_.password = working_.oldPassword;
        working_.passwordChanged = false;
        working_.resetRequested = resetBefore;
    }
    EndPasswordEntry();
}

void OptionsDialog::OnAddDir() {
    working_.userDirChosen = false;
    const UserDir before = working_.userDir;
    UserDirDialog folders(this, device_.files(), working_);
    RunOver(folders);
    if (working_.userDirChosen && !Stored(WriteUserDir(device_, working_.userDir))) {
        working_.userDir = before;
        working_.userDirChosen = false;
    }
}

void OptionsDialog::RunOver(TemplateDialog& dialog) {
    dialog.PlaceOverOwner();
    dialog.exec();
}

bool OptionsDialog::Stored(bool ok) {
    if (!ok) device_.messages().Show(kRegistryWriteError);
    return ok;
}

}  // namespace inkvista
