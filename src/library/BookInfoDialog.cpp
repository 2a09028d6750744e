#include "library/BookInfoDialog.h"

#include <QLabel>
#include <QPushButton>

#include "platform/Win32.h"

namespace inkvista {

namespace {

QString ToQString(const std::u16string& s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

BookInfoDialog::BookInfoDialog(QWidget* owner, const ListBookInfo& info)
    : TemplateDialog(owner, kBookInfoTemplateId, QStringLiteral("Information"), 135, 106) {
    QLabel* fileNameLabel =
        AddText(kInfoFileNameLabelId, QStringLiteral("FileName: "), 4, 8, 36, 10);
    QLabel* fileName = AddText(kInfoFileNameId, QStringLiteral("F"), 46, 8, 82, 10);
    AddText(kStaticControlId, QStringLiteral("Title:"), 4, 20, 29, 10);
    QLabel* title = AddText(kInfoTitleId, QStringLiteral("T"), 46, 20, 82, 10);
    AddText(kStaticControlId, QStringLiteral("Chapter:"), 4, 35, 31, 10);
    QLabel* chapter = AddText(kInfoChapterId, QStringLiteral("C"), 46, 35, 82, 10);
    AddText(kStaticControlId, QStringLiteral("Author: "), 4, 47, 25, 10);
    QLabel* author = AddText(kInfoAuthorId, QStringLiteral("A"), 46, 47, 82, 10);
    AddText(kStaticControlId, QStringLiteral("Publisher:"), 4, 60, 34, 10);
    QLabel* publisher = AddText(kInfoPublisherId, QStringLiteral("P"), 46, 60, 82, 10);
    AddText(kStaticControlId, QStringLiteral("Total Page:"), 4, 72, 38, 10);
    QLabel* pages = AddText(kInfoPagesId, QStringLiteral("P"), 46, 72, 82, 10);
    QPushButton* ok = AddButton(kInfoOkId, QStringLiteral("OK"), 37, 84, 62, 17, true);
    connect(ok, &QPushButton::clicked, this, [this] { done(IDOK); });

    // Initialisation, in control order.
    fileNameLabel->setText(QStringLiteral("File Name:"));
    fileName->setText(ToQString(info.fileName));
    title->setText(ToQString(info.title));
    chapter->setText(ToQString(info.chapter));
    author->setText(ToQString(info.author));
    publisher->setText(ToQString(info.publisher));
    pages->setText(ToQString(info.pages));
}

}  // namespace inkvista
