#include "dialogs/ButtonSettingDialog.h"

#include <QComboBox>
#include <array>

#include "platform/Win32.h"
#include "settings/KeyAction.h"

namespace inkvista {

namespace {

using K = ControlKind;

// The lists in the order they are filled, with the key-map entry each shows.
struct KeyList {
    int id;
    int entry;
};
constexpr std::array<KeyList, 4> kHotKeyLists = {{
    {kHotKey1ListId, kHotKey1},
    {kHotKey2ListId, kHotKey2},
    {kHotKey3ListId, kHotKey3},
    {kHotKey4ListId, kHotKey4},
}};
constexpr std::array<KeyList, 4> kDirectionLists = {{
    {kLeftKeyListId, kLeftKey},
    {kRightKeyListId, kRightKey},
    {kUpKeyListId, kUpKey},
    {kDownKeyListId, kDownKey},
}};
constexpr uint32_t kDirectionActions = kFirstHotKeyAction;                 // codes 0-7
constexpr uint32_t kHotKeyActions = kKeyActionCount - kFirstHotKeyAction;  // codes 8-11

// The two templates differ in font, the first group box and the button
// pictures: the LOOX shows its own buttons, one unit lower.
constexpr size_t kControlCount = 20;

constexpr std::array<ControlRow, kControlCount> Controls(bool loox) {
    const int groupX = loox ? 0 : 1;
    const int pictureDown = loox ? 1 : 0;
    const std::array<int, 4> pictures =
        loox ? std::array<int, 4>{211, 213, 214, 215} : std::array<int, 4>{146, 147, 148, 149};
    return {{
        {kStaticControlId, K::GroupBox, u"Hot Keys", groupX, 0, 129, 58},
        {kStaticControlId, K::Picture, {}, 12, 9 + pictureDown, 0, 0, pictures[0]},
        {kHotKey1ListId, K::DropDownList, {}, 35, 9, 89, 52},
        {kStaticControlId, K::Picture, {}, 12, 21 + pictureDown, 0, 0, pictures[1]},
        {kHotKey2ListId, K::DropDownList, {}, 35, 21, 89, 52},
        {kStaticControlId, K::Picture, {}, 12, 33 + pictureDown, 0, 0, pictures[2]},
        {kHotKey3ListId, K::DropDownList, {}, 35, 33, 89, 53},
        {kStaticControlId, K::Picture, {}, 12, 45 + pictureDown, 0, 0, pictures[3]},
        {kHotKey4ListId, K::DropDownList, {}, 35, 45, 89, 52},
        {kStaticControlId, K::GroupBox, u"Direction Keys", 1, 58, 128, 59},
        {kStaticControlId, K::Label, u"Up Key", 6, 69, 24, 8},
        {kUpKeyListId, K::DropDownList, {}, 49, 68, 75, 52},
        {kStaticControlId, K::Label, u"Down Key", 6, 81, 33, 8},
        {kDownKeyListId, K::DropDownList, {}, 49, 80, 75, 52},
        {kStaticControlId, K::Label, u"Left Key", 6, 93, 27, 8},
        {kLeftKeyListId, K::DropDownList, {}, 49, 92, 75, 52},
        {kStaticControlId, K::Label, u"Right Key", 6, 105, 32, 8},
        {kRightKeyListId, K::DropDownList, {}, 49, 104, 75, 52},
        {kButtonSettingOkId, K::DefaultButton, u"OK", 1, 118, 63, 15},
        {kButtonSettingCancelId, K::Button, u"Cancel", 68, 118, 61, 15},
    }};
}

constexpr std::array<ControlRow, kControlCount> kControls = Controls(false);
constexpr std::array<ControlRow, kControlCount> kLooxControls = Controls(true);
// A count larger than the table would add an empty control at the end.
static_assert(kControls.back().id == kButtonSettingCancelId);

DialogTemplate TemplateFor(int templateId) {
    const bool loox = templateId == kButtonSettingLooxTemplateId;
    return DialogTemplate{
        loox ? kButtonSettingLooxTemplateId : kButtonSettingTemplateId,
        u"Button Setting",
        loox ? DialogFace::MsSansSerif : DialogFace::System,
        10,
        0,
        0,
        133,
        133,
        loox ? std::span<const ControlRow>(kLooxControls) : std::span<const ControlRow>(kControls)};
}

// The list position of `code` among `count` codes from `first`, or -1.
int PositionOf(uint32_t code, uint32_t first, uint32_t count) {
    return code >= first && code - first < count ? static_cast<int>(code - first) : -1;
}

}  // namespace

ButtonSettingDialog::ButtonSettingDialog(QWidget* owner, DialogWorkingCopies& working,
                                         int templateId)
    : TemplateDialog(owner, TemplateFor(templateId)), working_(working) {
    for (uint32_t code = 0; code < kKeyActionCount; ++code) {
        const std::u16string_view text = KeyActionText(code);
        actionNames_.append(QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())));
    }
    for (const KeyList& list : kHotKeyLists) {
        QComboBox* combo = control<QComboBox>(list.id);
        for (uint32_t i = 0; i < kHotKeyActions; ++i) {
            combo->addItem(actionNames_[static_cast<qsizetype>(kFirstHotKeyAction + i)]);
        }
    }
    for (const KeyList& list : kDirectionLists) {
        QComboBox* combo = control<QComboBox>(list.id);
        for (uint32_t i = 0; i < kDirectionActions; ++i) {
            combo->addItem(actionNames_[static_cast<qsizetype>(i)]);
        }
    }
    ShowKeyMap();
}

void ButtonSettingDialog::ShowKeyMap() {
    confirmed_ = false;
    const KeyMap& keys = working_.keyMap;
    for (const KeyList& list : kHotKeyLists) {
        control<QComboBox>(list.id)->setCurrentIndex(
            PositionOf(keys.hotKey(list.entry), kFirstHotKeyAction, kHotKeyActions));
    }
    for (const KeyList& list : kDirectionLists) {
        control<QComboBox>(list.id)->setCurrentIndex(
            PositionOf(keys.hotKey(list.entry), 0, kDirectionActions));
    }
}

void ButtonSettingDialog::TakeKeyMap() {
    KeyMap& keys = working_.keyMap;
    // A list without a selection keeps the code it was given.
    auto take = [&](const KeyList& list, uint32_t first) {
        const int position = control<QComboBox>(list.id)->currentIndex();
        if (position >= 0) keys.hotKey(list.entry) = first + static_cast<uint32_t>(position);
    };
    for (const KeyList& list : kHotKeyLists) take(list, kFirstHotKeyAction);
    for (const KeyList& list : kDirectionLists) take(list, 0);
}

void ButtonSettingDialog::done(int result) {
    TemplateDialog::done(result);
    actionNames_.clear();
}

void ButtonSettingDialog::OnCommand(int id) {
    if (id == kButtonSettingOkId) {
        confirmed_ = true;
        TakeKeyMap();
        done(IDOK);
    } else if (id == kButtonSettingCancelId) {
        confirmed_ = false;
        done(IDCANCEL);
    }
}

}  // namespace inkvista
