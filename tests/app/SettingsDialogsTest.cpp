// The settings dialogs worked as a user works them: Options with the
// password and folder dialogs inside it, Button Setting, and how every
// template fits the screen.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <filesystem>
#include <functional>

#include "AppTestSupport.h"
#include "dialogs/ButtonSettingDialog.h"
#include "dialogs/FolderTreeView.h"
#include "dialogs/OptionsDialog.h"
#include "dialogs/PasswordDialogs.h"
#include "dialogs/PathLabel.h"
#include "dialogs/UserDirDialog.h"
#include "models/LibraryModel.h"
#include "platform/AtomicFile.h"
#include "platform/Screen.h"
#include "platform/Win32.h"
#include "settings/KeyAction.h"
#include "ui/Artwork.h"

namespace inkvista {
namespace {

using test::ClickControl;
using test::DialogWatch;
using test::SelectEntry;
using test::TypeInto;

QStringList Entries(QWidget* dialog, int id) {
    QStringList entries;
    auto* combo = qobject_cast<QComboBox*>(FindControl(dialog, id));
    for (int i = 0; combo && i < combo->count(); ++i) entries << combo->itemText(i);
    return entries;
}

QString Current(QWidget* dialog, int id) {
    auto* combo = qobject_cast<QComboBox*>(FindControl(dialog, id));
    return combo && combo->currentIndex() >= 0 ? combo->currentText() : QString();
}

bool Checked(QWidget* dialog, int id) {
    auto* button = qobject_cast<QAbstractButton*>(FindControl(dialog, id));
    return button && button->isChecked();
}

class SettingsDialogsTest : public ::testing::Test {
  protected:
    SettingsDialogsTest() {
        test::App();
        Password loaded{};
        LoadPassword(device(), loaded);  // creates the program's key
    }
    Device& device() { return dev.device(); }
    void SetPassword(std::u16string_view text) { SetPasswordText(working.password, text); }

    TestDevice dev;
    DialogWorkingCopies working;
};

TEST_F(SettingsDialogsTest, OptionsShowsTheWorkingCopyAndOkTakesEveryControl) {
    working.viewOption.portrait = 1;
    working.viewOption.smoothScroll = 1;
    working.viewOption.tabScroll = 0;
    working.viewOption.koreanPatch = 1;
    working.viewOption.scrollRange = 160;
    working.viewOption.autoScrollSec = 0;
    OptionsDialog dialog(nullptr, device(), working);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Options"));
    EXPECT_EQ(Entries(&dialog, kOptionsScrollRangeId),
              (QStringList{"80", "120", "160", "200", "240"}));
    EXPECT_EQ(Entries(&dialog, kOptionsAutoScrollId),
              (QStringList{"1 Sec", "2 Sec", "3 Sec", "4 Sec", "5 Sec", "Continous"}));
    EXPECT_TRUE(Checked(&dialog, kOptionsPortraitId));
    EXPECT_FALSE(Checked(&dialog, kOptionsLandscapeId));
    EXPECT_TRUE(Checked(&dialog, kOptionsSmoothScrollId));
    EXPECT_FALSE(Checked(&dialog, kOptionsTabScrollId));
    EXPECT_TRUE(Checked(&dialog, kOptionsKoreanPatchId));
    EXPECT_FALSE(Checked(&dialog, kOptionsFitToWindowId));
    EXPECT_EQ(Current(&dialog, kOptionsScrollRangeId), QStringLiteral("160"));
    EXPECT_EQ(Current(&dialog, kOptionsAutoScrollId), QStringLiteral("Continous"));

    ClickControl(&dialog, kOptionsLandscapeId);
    ClickControl(&dialog, kOptionsTabScrollId);  // both scroll boxes on
    ClickControl(&dialog, kOptionsFitToWindowId);
    ClickControl(&dialog, kOptionsKoreanPatchId);
    SelectEntry(&dialog, kOptionsScrollRangeId, 4);
    SelectEntry(&dialog, kOptionsAutoScrollId, 2);
    ClickControl(&dialog, kOptionsOkId);
    EXPECT_TRUE(dialog.confirmed());
    EXPECT_EQ(dialog.result(), IDOK);
    const ViewOption& view = working.viewOption;
    EXPECT_EQ(view.portrait, 0);
    EXPECT_EQ(view.smoothScroll, 1);
    EXPECT_EQ(view.tabScroll, 1);
    EXPECT_EQ(view.fitToWindow, 1);
    EXPECT_EQ(view.koreanPatch, 0);
    EXPECT_EQ(view.scrollRange, 240u);
    EXPECT_EQ(view.autoScrollSec, 3u);
}

TEST_F(SettingsDialogsTest, OptionsListsWithoutAMatchKeepTheirValueAndCancelTakesNothing) {
    working.viewOption.scrollRange = 100;
    working.viewOption.autoScrollSec = 9;
    {
        OptionsDialog dialog(nullptr, device(), working);
        EXPECT_TRUE(Current(&dialog, kOptionsScrollRangeId).isEmpty());
        EXPECT_TRUE(Current(&dialog, kOptionsAutoScrollId).isEmpty());
        ClickControl(&dialog, kOptionsPortraitId);
        ClickControl(&dialog, kOptionsOkId);
    }
    EXPECT_EQ(working.viewOption.scrollRange, 100u);
    EXPECT_EQ(working.viewOption.autoScrollSec, 9u);
    EXPECT_EQ(working.viewOption.portrait, 1);

    OptionsDialog dialog(nullptr, device(), working);
    ClickControl(&dialog, kOptionsLandscapeId);
    SelectEntry(&dialog, kOptionsScrollRangeId, 0);
    ClickControl(&dialog, kOptionsCancelId);
    EXPECT_FALSE(dialog.confirmed());
    EXPECT_EQ(dialog.result(), IDCANCEL);
    EXPECT_EQ(working.viewOption.portrait, 1);
    EXPECT_EQ(working.viewOption.scrollRange, 100u);
}

TEST_F(SettingsDialogsTest, ShowHiddenFilesAsksOnlyWhenAPasswordIsSet) {
    OptionsDialog dialog(nullptr, device(), working);
    {
        DialogWatch watch([](QWidget* prompt) { prompt->close(); });
        ClickControl(&dialog, kOptionsShowHiddenId);
        EXPECT_FALSE(watch.seen());
    }
    EXPECT_TRUE(Checked(&dialog, kOptionsShowHiddenId));
    EXPECT_TRUE(device().shell().chrome().fullScreenCalls.empty());

    SetPassword(u"pw");
    ClickControl(&dialog, kOptionsShowHiddenId);  // unticking asks nothing
    EXPECT_FALSE(Checked(&dialog, kOptionsShowHiddenId));
    EXPECT_TRUE(device().shell().chrome().fullScreenCalls.empty());
}

TEST_F(SettingsDialogsTest, ShowHiddenFilesStaysTickedOnlyForTheRightPassword) {
    SetPassword(u"pw");
    OptionsDialog dialog(nullptr, device(), working);
    bool panelShown = false;
    {
        DialogWatch watch([&](QWidget* prompt) {
            EXPECT_EQ(prompt->windowTitle(), QStringLiteral("Input Password"));
            panelShown = device().shell().chrome().inputPanelShown;
            TypeInto(prompt, kInputPasswordEditId, QStringLiteral("PW"));
            ClickControl(prompt, kInputPasswordOkId);  // wrong: stays open
            EXPECT_TRUE(prompt->isVisible());
            ClickControl(prompt, kInputPasswordCancelId);
        });
        ClickControl(&dialog, kOptionsShowHiddenId);
        EXPECT_TRUE(watch.seen());
    }
    EXPECT_TRUE(panelShown);
    EXPECT_EQ(dev.messages().shown(), std::vector<std::u16string>{u"Incorrect Password"});
    EXPECT_FALSE(Checked(&dialog, kOptionsShowHiddenId));
    const ShellChrome& chrome = device().shell().chrome();
    EXPECT_EQ(std::vector<uint32_t>(chrome.fullScreenCalls.begin(), chrome.fullScreenCalls.end()),
              (std::vector<uint32_t>{SHFS_HIDETASKBAR, SHFS_SHOWSIPBUTTON, SHFS_HIDESTARTICON,
                                     SHFS_HIDESIPBUTTON}));
    EXPECT_FALSE(chrome.inputPanelButtonShown);

    {
        DialogWatch watch([&](QWidget* prompt) {
            TypeInto(prompt, kInputPasswordEditId, QStringLiteral("pw"));
            ClickControl(prompt, kInputPasswordOkId);
        });
        ClickControl(&dialog, kOptionsShowHiddenId);
        EXPECT_TRUE(watch.seen());
    }
    EXPECT_TRUE(Checked(&dialog, kOptionsShowHiddenId));
    EXPECT_TRUE(working.passwordVerified);
    ClickControl(&dialog, kOptionsOkId);
    EXPECT_EQ(working.viewOption.showHiddenFiles, 1);
}

TEST_F(SettingsDialogsTest, PasswordEditsMaskAndTakeEightCharacters) {
    PasswordSettingDialog setting(nullptr, dev.messages(), working);
    InputPasswordDialog input(nullptr, dev.messages(), working);
    for (auto [dialog, id] : {std::pair<QWidget*, int>{&setting, kPasswordOldId},
                              {&setting, kPasswordNewId},
                              {&setting, kPasswordConfirmId},
                              {&input, kInputPasswordEditId}}) {
        auto* edit = qobject_cast<QLineEdit*>(FindControl(dialog, id));
        ASSERT_TRUE(edit) << id;
        EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
        TypeInto(dialog, id, QStringLiteral("123456789"));
        EXPECT_EQ(edit->text(), QStringLiteral("12345678")) << id;
    }
}

TEST_F(SettingsDialogsTest, PasswordSettingChecksOldThenConfirmation) {
    SetPassword(u"old");
    working.oldPassword = working.password;
    PasswordSettingDialog dialog(nullptr, dev.messages(), working);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Password Setting"));
    TypeInto(&dialog, kPasswordOldId, QStringLiteral("OLD"));
    TypeInto(&dialog, kPasswordNewId, QStringLiteral("new"));
    TypeInto(&dialog, kPasswordConfirmId, QStringLiteral("new"));
    ClickControl(&dialog, kPasswordSettingOkId);
    TypeInto(&dialog, kPasswordOldId, QStringLiteral("old"));
    TypeInto(&dialog, kPasswordConfirmId, QStringLiteral("neW"));
    ClickControl(&dialog, kPasswordSettingOkId);
    EXPECT_EQ(dev.messages().shown(),
              (std::vector<std::u16string>{u"Incorrect old password", u"Passwords are different"}));
    EXPECT_EQ(dev.messages().captions(), (std::vector<std::u16string>{u"InkVISTA", u"InkVISTA"}));
    EXPECT_FALSE(working.passwordChanged);
    EXPECT_EQ(PasswordText(working.password), u"old");

    // Both new fields empty: the password goes.
    TypeInto(&dialog, kPasswordNewId, QString());
    TypeInto(&dialog, kPasswordConfirmId, QString());
    ClickControl(&dialog, kPasswordSettingOkId);
    EXPECT_TRUE(working.passwordChanged);
    EXPECT_FALSE(PasswordSet(working.password));
    EXPECT_FALSE(working.resetRequested);
}

TEST_F(SettingsDialogsTest, ResetAsksUnderItsOwnCaptionAndNeedsNoOldPassword) {
    SetPassword(u"secret");
    working.oldPassword = working.password;
    PasswordSettingDialog dialog(nullptr, dev.messages(), working);
    dev.messages().QueueAnswer(IDCANCEL);
    ClickControl(&dialog, kPasswordResetId);
    EXPECT_FALSE(working.resetRequested);
    EXPECT_EQ(PasswordText(working.password), u"secret");
    ClickControl(&dialog, kPasswordResetId);
    EXPECT_EQ(dev.messages().shown(),
              (std::vector<std::u16string>(
                  2, u"Resetting password will remove all hidden CMB files. Continue ?")));
    EXPECT_EQ(dev.messages().captions().back(), u"Warning !");
    EXPECT_TRUE(working.resetRequested);
    EXPECT_TRUE(working.passwordChanged);
    EXPECT_FALSE(PasswordSet(working.password));
    EXPECT_EQ(dialog.result(), IDOK);
}

TEST_F(SettingsDialogsTest, PasswordButtonStoresTheNewPasswordAtOnce) {
    OptionsDialog dialog(nullptr, device(), working);
    {
        DialogWatch watch([&](QWidget* setting) {
            TypeInto(setting, kPasswordNewId, QStringLiteral("abc"));
            TypeInto(setting, kPasswordConfirmId, QStringLiteral("abc"));
            ClickControl(setting, kPasswordSettingOkId);
        });
        ClickControl(&dialog, kOptionsPasswordId);
        EXPECT_TRUE(watch.seen());
    }
    Password stored{};
    LoadPassword(device(), stored);
    EXPECT_EQ(PasswordText(stored), u"abc");
    EXPECT_EQ(PasswordText(working.password), u"abc");
    // Cancelled: nothing stored, nothing changed.
    {
        DialogWatch watch(
            [&](QWidget* setting) { ClickControl(setting, kPasswordSettingCancelId); });
        ClickControl(&dialog, kOptionsPasswordId);
    }
    EXPECT_FALSE(working.passwordChanged);
    EXPECT_EQ(device().shell().chrome().fullScreenCalls.back(), SHFS_HIDESIPBUTTON);
}

TEST_F(SettingsDialogsTest, ButtonSettingShowsTheDefaultMapAndReadsItsLists) {
    ButtonSettingDialog dialog(nullptr, working, kButtonSettingTemplateId);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Button Setting"));
    EXPECT_EQ(dialog.actionNames().size(), 12);
    EXPECT_EQ(dialog.actionNames().front(), QStringLiteral("Scroll UP"));
    EXPECT_EQ(dialog.actionNames().back(), QStringLiteral("Auto Scroll On/Off"));
    EXPECT_EQ(Current(&dialog, kHotKey1ListId), QStringLiteral("Menu On/Off"));
    EXPECT_EQ(Current(&dialog, kHotKey2ListId), QStringLiteral("Auto Scroll On/Off"));
    EXPECT_EQ(Current(&dialog, kHotKey3ListId), QStringLiteral("No Mapping"));
    EXPECT_EQ(Current(&dialog, kHotKey4ListId), QStringLiteral("View Mode Change"));
    EXPECT_EQ(Current(&dialog, kUpKeyListId), QStringLiteral("Scroll UP"));
    EXPECT_EQ(Current(&dialog, kDownKeyListId), QStringLiteral("Scroll DOWN"));
    EXPECT_EQ(Current(&dialog, kLeftKeyListId), QStringLiteral("Scroll LEFT"));
    EXPECT_EQ(Current(&dialog, kRightKeyListId), QStringLiteral("Scroll RIGHT"));
    // Direction keys take codes 0-7: page turns, never "No Mapping".
    const QStringList directions = Entries(&dialog, kUpKeyListId);
    ASSERT_EQ(directions.size(), 8);
    for (const char* name : {"Prev Page", "Next Page", "First Page", "End Page"}) {
        EXPECT_TRUE(directions.contains(QString::fromLatin1(name))) << name;
    }
    EXPECT_FALSE(directions.contains(QStringLiteral("No Mapping")));
    EXPECT_EQ(Entries(&dialog, kHotKey1ListId).size(), 4);

    SelectEntry(&dialog, kHotKey1ListId, 1);
    SelectEntry(&dialog, kHotKey4ListId, 0);
    SelectEntry(&dialog, kLeftKeyListId, 4);
    SelectEntry(&dialog, kDownKeyListId, 7);
    ClickControl(&dialog, kButtonSettingOkId);
    EXPECT_TRUE(dialog.confirmed());
    EXPECT_TRUE(dialog.actionNames().isEmpty());
    const KeyMap& keys = working.keyMap;
    EXPECT_EQ(keys.hotKey(kHotKey1), 9u);
    EXPECT_EQ(keys.hotKey(kHotKey4), 8u);
    EXPECT_EQ(keys.hotKey(kLeftKey), 4u);
    EXPECT_EQ(keys.hotKey(kDownKey), 7u);
    EXPECT_EQ(keys.hotKey(kUpKey), 0u);
}

TEST_F(SettingsDialogsTest, ButtonSettingKeepsCodesItsListsCannotShow) {
    working.keyMap.hotKey(kHotKey2) = 3;    // a direction code on a button
    working.keyMap.hotKey(kRightKey) = 10;  // a button code on a direction key
    working.keyMap.hotKey(kUpKey) = 99;
    const KeyMap before = working.keyMap;
    ButtonSettingDialog dialog(nullptr, working, kButtonSettingTemplateId);
    EXPECT_TRUE(Current(&dialog, kHotKey2ListId).isEmpty());
    EXPECT_TRUE(Current(&dialog, kRightKeyListId).isEmpty());
    EXPECT_TRUE(Current(&dialog, kUpKeyListId).isEmpty());
    ClickControl(&dialog, kButtonSettingOkId);
    EXPECT_EQ(working.keyMap, before);

    ButtonSettingDialog cancelled(nullptr, working, kButtonSettingTemplateId);
    SelectEntry(&cancelled, kHotKey1ListId, 2);
    ClickControl(&cancelled, kButtonSettingCancelId);
    EXPECT_FALSE(cancelled.confirmed());
    EXPECT_TRUE(cancelled.actionNames().isEmpty());
    EXPECT_EQ(working.keyMap, before);
}

TEST_F(SettingsDialogsTest, TheLooxDialogShowsItsOwnButtons) {
    for (const auto& [templateId, pictures] :
         {std::pair<int, std::vector<int>>{kButtonSettingTemplateId, {146, 147, 148, 149}},
          {kButtonSettingLooxTemplateId, {211, 213, 214, 215}}}) {
        ButtonSettingDialog dialog(nullptr, working, templateId);
        std::vector<QImage> shown;
        for (QLabel* label : dialog.findChildren<QLabel*>()) {
            if (!label->pixmap().isNull()) shown.push_back(label->pixmap().toImage());
        }
        ASSERT_EQ(shown.size(), 4u);
        for (size_t i = 0; i < 4; ++i) {
            const QImage expected = LoadBitmap(pictures[i]);
            ASSERT_FALSE(expected.isNull()) << pictures[i];
            EXPECT_EQ(shown[i].size(), expected.size()) << pictures[i];
        }
        EXPECT_EQ(Entries(&dialog, kHotKey1ListId).size(), 4);
    }
    EXPECT_EQ(LoadBitmap(211).size(), QSize(16, 15));
    EXPECT_EQ(LoadBitmap(213).size(), QSize(13, 16));
    EXPECT_EQ(LoadBitmap(214).size(), QSize(16, 14));
    EXPECT_EQ(LoadBitmap(146).size(), QSize(16, 16));
}

TEST_F(SettingsDialogsTest, EveryTemplateFitsTheScreenWithItsControlsInside) {
    OptionsDialog options(nullptr, device(), working);
    ButtonSettingDialog keys(nullptr, working, kButtonSettingTemplateId);
    ButtonSettingDialog loox(nullptr, working, kButtonSettingLooxTemplateId);
    PasswordSettingDialog setting(nullptr, dev.messages(), working);
    InputPasswordDialog input(nullptr, dev.messages(), working);
    UserDirDialog folders(nullptr, device().files(), working);
    for (TemplateDialog* dialog : std::initializer_list<TemplateDialog*>{
             &options, &keys, &loox, &setting, &input, &folders}) {
        const QString title = dialog->windowTitle();
        EXPECT_LE(dialog->width(), kScreenWidth) << title.toStdString();
        EXPECT_LE(dialog->height(), kScreenHeight) << title.toStdString();
        const QRect client = dialog->clientRect();
        for (QWidget* child : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (child->isWindow()) continue;
            EXPECT_TRUE(client.contains(child->geometry()))
                << title.toStdString() << " control " << ControlId(child) << " at "
                << child->geometry().x() << "," << child->geometry().y() << " "
                << child->geometry().width() << "x" << child->geometry().height();
        }
    }
    // Every box and one-line label shows its whole text.
    for (TemplateDialog* dialog : std::initializer_list<TemplateDialog*>{
             &options, &keys, &loox, &setting, &input, &folders}) {
        for (QAbstractButton* box : dialog->findChildren<QAbstractButton*>()) {
            if (!box->isCheckable()) continue;
            EXPECT_LE(box->sizeHint().width(), box->width()) << box->text().toStdString();
        }
        for (QLabel* label : dialog->findChildren<QLabel*>()) {
            if (label->text().isEmpty() || label->wordWrap()) continue;
            EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width())
                << label->text().toStdString();
        }
    }
    // Units follow the template's font: the smaller font of Password
    // Setting gives smaller units than the Options dialog's.
    EXPECT_LT(setting.baseUnits().y, options.baseUnits().y);
}

class UserDirDialogTest : public SettingsDialogsTest {
  protected:
    UserDirDialogTest() {
        namespace fs = std::filesystem;
        fs::create_directories(dev.Host(u"\\My Documents\\Comics\\Old"));
        fs::create_directories(dev.Host(u"\\My Documents\\Empty"));
    }
    // The child of `parent` with that text.
    static QTreeWidgetItem* Child(QTreeWidgetItem* parent, const QString& text) {
        for (int i = 0; i < parent->childCount(); ++i) {
            if (parent->child(i)->text(0) == text) return parent->child(i);
        }
        return nullptr;
    }
    static QStringList Children(QTreeWidgetItem* parent) {
        QStringList names;
        for (int i = 0; i < parent->childCount(); ++i) names << parent->child(i)->text(0);
        return names;
    }
};

TEST_F(UserDirDialogTest, TheLastExpansionCountsNotTheCollapse) {
    UserDirDialog dialog(nullptr, device().files(), working);
    EXPECT_EQ(FindControl(&dialog, kUserDirLabelId)->property("text").toString(),
              QStringLiteral("NONE"));
    QTreeWidget* tree = dialog.tree();
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* root = tree->topLevelItem(0);
    EXPECT_EQ(root->text(0), QStringLiteral("\\"));
    EXPECT_EQ(root->childCount(), 0);  // listed on demand

    tree->expandItem(root);
    EXPECT_EQ(Children(root), (QStringList{"My Documents"}));
    EXPECT_TRUE(UserDirText(working.expandedFolderPath).empty());
    QTreeWidgetItem* docs = Child(root, QStringLiteral("My Documents"));
    tree->expandItem(docs);
    EXPECT_EQ(Children(docs), (QStringList{"Comics", "Empty"}));
    EXPECT_EQ(docs->icon(0).cacheKey(), dialog.tree()->icon(kOpenFolderIcon).cacheKey());
    tree->collapseItem(docs);
    EXPECT_EQ(docs->childCount(), 0);  // listed again at the next expansion
    EXPECT_EQ(docs->icon(0).cacheKey(), dialog.tree()->icon(kClosedFolderIcon).cacheKey());
    ClickControl(&dialog, kUserDirOkId);
    EXPECT_TRUE(working.userDirChosen);
    EXPECT_EQ(UserDirText(working.userDir), u"\\My Documents");
}

TEST_F(UserDirDialogTest, TheAdoptedFolderCarriesOverAndAnEmptyFolderStopsExpanding) {
    {
        UserDirDialog dialog(nullptr, device().files(), working);
        QTreeWidget* tree = dialog.tree();
        QTreeWidgetItem* root = tree->topLevelItem(0);
        tree->expandItem(root);
        QTreeWidgetItem* docs = Child(root, QStringLiteral("My Documents"));
        tree->expandItem(docs);
        QTreeWidgetItem* empty = Child(docs, QStringLiteral("Empty"));
        tree->expandItem(empty);
        EXPECT_EQ(empty->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
        QTreeWidgetItem* comics = Child(docs, QStringLiteral("Comics"));
        tree->expandItem(comics);
        tree->collapseItem(root);
        tree->expandItem(root);  // the root is never adopted
        ClickControl(&dialog, kUserDirCancelId);
        EXPECT_FALSE(working.userDirChosen);
        EXPECT_TRUE(UserDirText(working.userDir).empty());
    }
    SetUserDirText(working.userDir, u"\\Before");
    UserDirDialog again(nullptr, device().files(), working);
    EXPECT_EQ(FindControl(&again, kUserDirLabelId)->property("text").toString(),
              QStringLiteral("\\Before"));
    ClickControl(&again, kUserDirOkId);
    EXPECT_EQ(UserDirText(working.userDir), u"\\My Documents\\Comics");
}

TEST_F(UserDirDialogTest, ALongFolderWrapsAtItsSeparatorsWithinTheLabel) {
    // The text (what scripts and the state read) stays the path; only the
    // lines drawn break it, after separators, or inside a name too wide.
    const QString wide = QString(40, QLatin1Char('W'));
    const struct {
        QString path;
        bool breaksInsideAName;
    } cases[] = {
        {QStringLiteral("\\My Documents\\Comics\\Collected\\Volume01"), false},
        {QStringLiteral("\\Comics\\") + wide, true},
    };
    for (const auto& c : cases) {
        SetUserDirText(working.userDir, c.path.toStdU16String());
        UserDirDialog dialog(nullptr, device().files(), working);
        auto* label = qobject_cast<PathLabel*>(FindControl(&dialog, kUserDirLabelId));
        ASSERT_TRUE(label);
        EXPECT_EQ(label->text(), c.path);
        const QStringList lines = label->Lines();
        EXPECT_GT(lines.size(), 1) << c.path.toStdString();
        EXPECT_EQ(lines.join(QString()), c.path);
        for (qsizetype i = 0; i < lines.size(); ++i) {
            EXPECT_LE(label->fontMetrics().horizontalAdvance(lines[i]), label->width());
            if (i + 1 < lines.size() && !c.breaksInsideAName) {
                EXPECT_TRUE(lines[i].endsWith(QLatin1Char('\\'))) << lines[i].toStdString();
            }
        }
        if (!c.breaksInsideAName) {
            EXPECT_LE(lines.size() * label->fontMetrics().lineSpacing(), label->height());
        }
    }
}

TEST_F(UserDirDialogTest, OkWithoutAnyExpansionRemovesTheFolder) {
    SetUserDirText(working.userDir, u"\\Before");
    UserDirDialog dialog(nullptr, device().files(), working);
    ClickControl(&dialog, kUserDirOkId);
    EXPECT_TRUE(working.userDirChosen);
    EXPECT_TRUE(UserDirText(working.userDir).empty());
}

TEST_F(UserDirDialogTest, TheTreeIconsAreCutFromTheirBitmap) {
    const QImage bitmap = LoadBitmap(kFolderIconsBitmapId);
    EXPECT_EQ(bitmap.size(), QSize(80, 15));
    EXPECT_EQ(FolderIconsFrom(bitmap).size(), 5u);
    // Too few pictures: the tree goes without icons.
    EXPECT_TRUE(FolderIconsFrom(bitmap.copy(0, 0, 32, 15)).empty());
    EXPECT_TRUE(FolderIconsFrom(QImage()).empty());
}

// The main window's side: what survives Cancel, and the reset.
class OptionsCallerTest : public ::testing::Test {
  protected:
    // Presses "Option", runs `inside` on the Options dialog, then cancels it.
    void CancelOptionsAfter(const std::function<void(QWidget*)>& inside) {
        DialogWatch watch([&](QWidget* options) {
            inside(options);
            ClickControl(options, kOptionsCancelId);
        });
        wnd->OnStylusDown(150, 58);
        wnd->OnStylusUp(150, 58);
        EXPECT_TRUE(watch.seen());
    }
    static void Nested(QWidget* outer, int button, const std::function<void(QWidget*)>& inside) {
        DialogWatch watch(inside);
        ClickControl(outer, button);
        EXPECT_TRUE(watch.seen());
    }

    test::Program program;
    BackWnd* wnd = nullptr;
};

TEST_F(OptionsCallerTest, AFolderChosenInsideSurvivesCancel) {
    std::filesystem::create_directories(program.dev.Host(u"\\My Documents\\Comics"));
    wnd = &program.Start();
    CancelOptionsAfter([&](QWidget* options) {
        ClickControl(options, kOptionsPortraitId);
        Nested(options, kOptionsAddDirId, [&](QWidget* folders) {
            auto* tree = folders->findChild<QTreeWidget*>();
            tree->expandItem(tree->topLevelItem(0));
            tree->expandItem(tree->topLevelItem(0)->child(0));
            ClickControl(folders, kUserDirOkId);
        });
        // Written at once, before Options closes.
        UserDir stored{};
        ReadUserDir(program.dev.device(), stored);
        EXPECT_EQ(UserDirText(stored), u"\\My Documents");
    });
    EXPECT_EQ(UserDirText(wnd->userDir()), u"\\My Documents");
    EXPECT_TRUE(wnd->userDirExists());
    EXPECT_EQ(wnd->viewOption().portrait, 0);
    EXPECT_EQ(wnd->listWnd().model().Folders().userDir, u"\\My Documents");
}

TEST_F(OptionsCallerTest, AResetRemovesHiddenBooksEvenWhenOptionsIsCancelled) {
    const auto folder = program.dev.Host(u"\\My Documents\\InkVISTA");
    std::filesystem::create_directories(folder);
    ASSERT_TRUE(test::WriteTestBook(folder / "hidden.cmb", 1, 240, 320));
    ASSERT_TRUE(test::WriteTestBook(folder / "shown.cmb", 1, 240, 320));
    Device& device = program.dev.device();
    if (!device.files().SetAttributes(u"\\My Documents\\InkVISTA\\hidden.cmb",
                                      FILE_ATTRIBUTE_HIDDEN)) {
        GTEST_SKIP() << "the temporary folder keeps no extended attributes";
    }
    Password password{};
    LoadPassword(device, password);
    SetPasswordText(password, u"pw");
    StorePassword(device, password);
    wnd = &program.Start();
    EXPECT_EQ(PasswordText(wnd->password()), u"pw");
    CancelOptionsAfter([&](QWidget* options) {
        Nested(options, kOptionsPasswordId, [&](QWidget* setting) {
            ClickControl(setting, kPasswordResetId);  // answered OK
        });
        // Not yet: the books go when Options closes.
        EXPECT_TRUE(std::filesystem::exists(folder / "hidden.cmb"));
    });
    EXPECT_FALSE(std::filesystem::exists(folder / "hidden.cmb"));
    EXPECT_TRUE(std::filesystem::exists(folder / "shown.cmb"));
    EXPECT_FALSE(PasswordSet(wnd->password()));
    LoadPassword(device, password);
    EXPECT_FALSE(PasswordSet(password));
    // Nothing asks for a password now.
    CancelOptionsAfter([&](QWidget* options) {
        DialogWatch none([](QWidget* prompt) { prompt->close(); });
        ClickControl(options, kOptionsShowHiddenId);
        EXPECT_FALSE(none.seen());
        EXPECT_TRUE(Checked(options, kOptionsShowHiddenId));
    });
}

TEST_F(OptionsCallerTest, WhatTheRegistryRefusesIsReportedAndNotTaken) {
    const auto folder = program.dev.Host(u"\\My Documents\\InkVISTA");
    std::filesystem::create_directories(folder);
    ASSERT_TRUE(test::WriteTestBook(folder / "hidden.cmb", 1, 240, 320));
    Device& device = program.dev.device();
    const bool hidden = device.files().SetAttributes(u"\\My Documents\\InkVISTA\\hidden.cmb",
                                                     FILE_ATTRIBUTE_HIDDEN);
    Password password{};
    LoadPassword(device, password);
    SetPasswordText(password, u"pw");
    StorePassword(device, password);
    wnd = &program.Start();
    CancelOptionsAfter([&](QWidget* options) {
        // A full disk: the registry file cannot be replaced.
        SetWriteFaultHook([](WriteStep step) { return step != WriteStep::CreateTemporary; });
        Nested(options, kOptionsPasswordId,
               [&](QWidget* setting) { ClickControl(setting, kPasswordResetId); });
        Nested(options, kOptionsAddDirId, [&](QWidget* folders) {
            auto* tree = folders->findChild<QTreeWidget*>();
            tree->expandItem(tree->topLevelItem(0));
            tree->expandItem(tree->topLevelItem(0)->child(0));
            ClickControl(folders, kUserDirOkId);
        });
        SetWriteFaultHook({});
    });
    const auto& shown = program.dev.messages().shown();
    EXPECT_EQ(std::count(shown.begin(), shown.end(), u"Error on Writing Registry Data"), 2);
    // The reset the registry did not record deleted nothing.
    if (hidden) {
        EXPECT_TRUE(std::filesystem::exists(folder / "hidden.cmb"));
    }
    EXPECT_EQ(PasswordText(wnd->password()), u"pw");
    LoadPassword(device, password);
    EXPECT_EQ(PasswordText(password), u"pw");
    EXPECT_TRUE(UserDirText(wnd->userDir()).empty());
}

TEST_F(OptionsCallerTest, ButtonSettingConfirmedUnchangedStillSavesAndRetakesTheButtons) {
    wnd = &program.Start();
    // Changed on disk behind the program's back: the save puts its map back.
    std::vector<uint8_t> changed = program.OptionBytes();
    ASSERT_EQ(changed.size(), 48u);
    changed[16] = 0x0b;
    program.WriteOptionBytes(changed);
    const int calls = program.keys.registerCalls;
    DialogWatch watch([](QWidget* keys) { ClickControl(keys, kButtonSettingOkId); });
    wnd->OnStylusDown(100, 58);
    wnd->OnStylusUp(100, 58);
    EXPECT_TRUE(watch.seen());
    EXPECT_EQ(program.OptionBytes(), test::Program::OptionBytesOf(ViewOption(), KeyMap()));
    EXPECT_GT(program.keys.registerCalls, calls);
}

}  // namespace
}  // namespace inkvista
