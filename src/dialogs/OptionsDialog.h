// The Options dialog (template 138): the view and scroll settings, and the
// door to the password dialogs and the user-folder dialog, whose results act
// at once whether Options ends with OK or Cancel.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "dialogs/WorkingCopies.h"
#include "platform/Device.h"
#include "ui/DialogControls.h"

class QCheckBox;
class QComboBox;

namespace inkvista {

constexpr int kOptionsTemplateId = 138;
constexpr int kOptionsLandscapeId = 1000;
constexpr int kOptionsPortraitId = 1001;
constexpr int kOptionsSmoothScrollId = 1002;
constexpr int kOptionsTabScrollId = 1003;
constexpr int kOptionsScrollRangeId = 1004;
constexpr int kOptionsAutoScrollId = 1005;
constexpr int kOptionsOkId = 1006;
constexpr int kOptionsCancelId = 1007;
constexpr int kOptionsFitToWindowId = 1024;
constexpr int kOptionsShowHiddenId = 1039;
constexpr int kOptionsPasswordId = 1040;
constexpr int kOptionsKoreanPatchId = 1055;
constexpr int kOptionsAddDirId = 1061;

// The values the two lists stand for, by list position.
inline constexpr std::array<uint32_t, 5> kScrollRangeValues = {80, 120, 160, 200, 240};
inline constexpr std::array<uint32_t, 6> kAutoScrollValues = {1, 2, 3, 4, 5, 0};

class OptionsDialog : public TemplateDialog {
    Q_OBJECT

  public:
    // Initialisation: the controls show the working copy of the view
    // settings.
    OptionsDialog(QWidget* owner, Device& device, DialogWorkingCopies& working);

    // The copies this dialog edits.
    DialogWorkingCopies& working() { return working_; }
    // OK was pressed: the working copy of the view settings holds the
    // dialog's choices.
    bool confirmed() const { return confirmed_; }

    // Sets every control from the working copy of the view settings.
    void ShowSettings();

  protected:
    void OnCommand(int id) override;

  private:
    void TakeSettings();
    void OnShowHiddenFiles();
    void OnPassword();
    void OnAddDir();
    // The shell's full-screen control and the input panel around a
    // password dialog.
    void BeginPasswordEntry();
    void EndPasswordEntry();
    // A dialog of these settings, over this one, until it closes.
    static void RunOver(TemplateDialog& dialog);
    // `ok`, having said "Error on Writing Registry Data" when it is false.
    bool Stored(bool ok);

    Device& device_;
    DialogWorkingCopies& working_;
    bool confirmed_ = false;
};

}  // namespace inkvista
