// The "Information" dialog of the list's "Info" command: the header texts of
// one book, OK only.
#pragma once

#include "models/LibraryInfo.h"
#include "ui/DialogControls.h"

namespace inkvista {

constexpr int kBookInfoTemplateId = 139;

enum BookInfoControl : int {
    kInfoFileNameLabelId = 1022,
    kInfoFileNameId = 1016,
    kInfoTitleId = 1017,
    kInfoChapterId = 1018,
    kInfoAuthorId = 1019,
    kInfoPublisherId = 1020,
    kInfoPagesId = 1021,
    kInfoOkId = 1014,
};

class BookInfoDialog : public TemplateDialog {
    Q_OBJECT

  public:
    BookInfoDialog(QWidget* owner, const ListBookInfo& info);
};

}  // namespace inkvista
