// The About dialog (template 137): the program's name and version.
#pragma once

#include "ui/DialogControls.h"

namespace inkvista {

constexpr int kAboutTemplateId = 137;
constexpr int kAboutOkId = 1005;
constexpr int kAboutVersionId = 1062;

class AboutDialog : public TemplateDialog {
    Q_OBJECT

  public:
    explicit AboutDialog(QWidget* owner);
};

}  // namespace inkvista
