#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <QThread>
#include <functional>

#include "AppTestSupport.h"
#include "app/HomeScreen.h"
#include "dialogs/ButtonSettingDialog.h"
#include "dialogs/OptionsDialog.h"
#include "settings/KeyAction.h"
#include "ui/Artwork.h"
#include "ui/DialogControls.h"

namespace inkvista {
namespace {

using test::DialogWatch;
using test::Program;
using test::SelectEntry;

void Stylus(QWidget* target, QEvent::Type type, int x, int y) {
    const QPointF at(x, y);
    QMouseEvent event(type, at, target->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

void Down(BackWnd& wnd, int x, int y) {
    Stylus(&wnd, QEvent::MouseButtonPress, x, y);
}
void Up(BackWnd& wnd, int x, int y) {
    Stylus(&wnd, QEvent::MouseButtonRelease, x, y);
}

QImage Compose(BackWnd& wnd) {
    QImage frame(wnd.screenWidth(), wnd.screenHeight(), QImage::Format_RGB32);
    QPainter painter(&frame);
    wnd.DrawBackImage(painter);
    return frame;
}

// Whether `frame` shows `bitmap` at (x, y).
bool Shows(const QImage& frame, int bitmapId, int x, int y) {
    const QImage bitmap = LoadBitmap(bitmapId).convertToFormat(QImage::Format_RGB32);
    if (bitmap.isNull()) return false;
    return frame.copy(x, y, bitmap.width(), bitmap.height()) == bitmap;
}

TEST(HomeScreen, ArtworkHasItsSizes) {
    test::App();
    EXPECT_EQ(LoadBitmap(129).size(), QSize(240, 320));
    EXPECT_EQ(LoadBitmap(134).size(), QSize(52, 19));
    EXPECT_EQ(LoadBitmap(135).size(), QSize(39, 19));
    EXPECT_EQ(LoadBitmap(136).size(), QSize(52, 19));
    EXPECT_TRUE(LoadBitmap(999).isNull());
}

// Every picture has its drawings for enlarged windows, at exactly the
// picture's size in device pixels; a ratio without a drawing of its own is
// smoothed to its size, and an enlarged home screen shows the finer drawing.
TEST(HomeScreen, EveryPictureIsDrawnForEnlargedWindows) {
    test::App();
    const QDir resources(QStringLiteral(":/bitmaps"));
    int pictures = 0;
    for (const QString& name : resources.entryList({QStringLiteral("*.png")})) {
        if (name.contains(QLatin1Char('@'))) continue;
        const int id = name.chopped(4).toInt();
        const QImage device = LoadBitmap(id);
        ++pictures;
        for (const qreal ratio : {2.0, 3.0, 4.0, 1.5, 6.0}) {
            const QImage image = LoadBitmap(id, ratio);
            EXPECT_EQ(image.size(), (QSizeF(device.size()) * ratio).toSize()) << id << " " << ratio;
            EXPECT_EQ(image.deviceIndependentSize().toSize(), device.size()) << id;
        }
    }
    EXPECT_GE(pictures, 40);

    Program program;
    program.Start();
    QImage frame(720, 960, QImage::Format_RGB32);
    frame.setDevicePixelRatio(3);
    ComposeHomeScreen(frame, HomeButton::None, program.dev.messages());
    const QImage back = LoadBitmap(129, 3).convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(frame.copy(0, 0, 720, 960).convertToFormat(QImage::Format_RGB32), back);

    // Made ahead on the decoding thread for a maximised window, the same
    // picture as made here.
    const qreal maximised = 1061.0 / 320;
    const QImage here = LoadBitmap(129, maximised).copy();
    LoadBitmap(129, 2);
    PrepareBitmaps({140, 129}, maximised);
    const QImage ahead = LoadBitmap(129, maximised);
    EXPECT_EQ(ahead.devicePixelRatio(), maximised);
    EXPECT_EQ(ahead, here);
}

// A picture made for a start's ratio is kept for the next start, which
// shows the kept one; a kept file that is not whole or not for that ratio
// is made again and replaced.
TEST(HomeScreen, APictureKeptForTheNextStartIsTakenOnlyWhenItIsWhole) {
    test::App();
    QTemporaryDir folder;
    KeepPicturesIn(folder.path().toStdString());
    QFile file(folder.filePath(QStringLiteral("129.picture")));
    const qreal ratio = 2.75;
    const QImage made = LoadBitmap(129, ratio).copy();
    // As at a start: made ahead, then taken.
    auto start = [ratio] {
        LoadBitmap(129, 2);
        PrepareBitmaps({129}, ratio);
        return LoadBitmap(129, ratio).copy();
    };
    const qint64 whole = 64 + qint64(made.sizeInBytes());
    // The file as it is once the making thread has kept it (or `until` holds).
    auto kept = [&](const std::function<bool(const QByteArray&)>& until) {
        QByteArray bytes;
        for (int i = 0; i < 500; ++i, QThread::msleep(10)) {
            if (!file.open(QIODevice::ReadOnly)) continue;
            bytes = file.readAll();
            file.close();
            if (until(bytes)) break;
        }
        return bytes;
    };
    EXPECT_EQ(start(), made);
    const QByteArray good = kept([whole](const QByteArray& b) { return b.size() == whole; });
    ASSERT_EQ(good.size(), whole);

    auto rewrite = [&](const QByteArray& bytes) {
        LoadBitmap(129, 2);  // the picture mapped from the file let go
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
    };
    QByteArray changed = good;
    changed[whole - 2] = char(~changed[whole - 2]);  // a red, not the unused byte
    rewrite(changed);
    EXPECT_NE(start(), made) << "the kept picture is the one shown";

    struct Damage {
        const char* what;
        std::function<void(QByteArray&)> apply;
    };
    for (const Damage& damage : {
             Damage{"cut short", [](QByteArray& b) { b.chop(1); }},
             Damage{"not ours", [](QByteArray& b) { b[0] = 'X'; }},
             Damage{"another ratio", [](QByteArray& b) { b[16] = char(b[16] ^ 1); }},
         }) {
        QByteArray bytes = good;
        damage.apply(bytes);
        rewrite(bytes);
        EXPECT_EQ(start(), made) << damage.what;
        EXPECT_EQ(kept([&good](const QByteArray& b) { return b == good; }), good) << damage.what;
    }
    KeepPicturesIn({});
}

TEST(HomeScreen, AHeldButtonIsDrawnPressedUntilTheStylusLifts) {
    Program program;
    BackWnd& wnd = program.Start();
    QImage frame = Compose(wnd);
    EXPECT_TRUE(Shows(frame, 129, 0, 0));

    struct Case {
        int x;
        HomeButton button;
        int bitmap, at;
    };
    for (const Case& c :
         {Case{100, HomeButton::Keys, 135, 85}, Case{150, HomeButton::Options, 136, 127},
          Case{200, HomeButton::About, 134, 182}}) {
        Down(wnd, c.x, 58);
        EXPECT_EQ(wnd.pressedButton(), c.button);
        EXPECT_TRUE(wnd.captured());
        frame = Compose(wnd);
        EXPECT_TRUE(Shows(frame, c.bitmap, c.at, 48)) << c.bitmap;
        // Lifted outside every button: only the pressed look goes.
        Up(wnd, 60, 200);
        EXPECT_EQ(wnd.pressedButton(), HomeButton::None);
        EXPECT_EQ(wnd.screenState(), Screen::List);
        EXPECT_FALSE(wnd.captured());
        EXPECT_TRUE(Shows(Compose(wnd), 129, 0, 0));
    }
}

TEST(HomeScreen, ButtonRegionsEndWhereTheyEnd) {
    Program program;
    BackWnd& wnd = program.Start();
    struct Case {
        int x, y;
        HomeButton pressed;
    };
    for (const Case& c : {Case{85, 58, HomeButton::None}, Case{86, 58, HomeButton::Keys},
                          Case{124, 67, HomeButton::Keys}, Case{125, 58, HomeButton::None},
                          Case{127, 58, HomeButton::None}, Case{128, 49, HomeButton::Options},
                          Case{179, 58, HomeButton::Options}, Case{180, 58, HomeButton::About},
                          Case{234, 58, HomeButton::About}, Case{235, 58, HomeButton::None},
                          Case{237, 58, HomeButton::None}, Case{150, 48, HomeButton::None},
                          Case{150, 68, HomeButton::None}, Case{222, 5, HomeButton::Close},
                          Case{237, 20, HomeButton::Close}, Case{221, 12, HomeButton::None},
                          Case{230, 21, HomeButton::None}}) {
        wnd.OnStylusDown(c.x, c.y);
        EXPECT_EQ(wnd.pressedButton(), c.pressed) << c.x << "," << c.y;
        // Lifted where no button is: nothing opens, the press is forgotten.
        wnd.OnStylusUp(60, 200);
        EXPECT_EQ(wnd.pressedButton(), HomeButton::None);
    }
}

TEST(HomeScreen, PressOnOneButtonAndLiftOnAnotherOpensNothing) {
    Program program;
    BackWnd& wnd = program.Start();
    DialogWatch watch([](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); });
    program.InsertCardQuietly(u"Storage Card");
    Down(wnd, 150, 58);  // Option
    Up(wnd, 200, 58);    // About
    Down(wnd, 200, 58);  // About
    Up(wnd, 100, 58);    // Key
    Down(wnd, 100, 58);  // Key
    Up(wnd, 150, 58);    // Option
    Down(wnd, 150, 58);  // Option
    Up(wnd, 235, 58);    // past the end of the band
    QCoreApplication::processEvents();
    EXPECT_FALSE(watch.seen());
    EXPECT_EQ(program.CardsListed(), 0);  // no refresh either
    EXPECT_EQ(wnd.pressedButton(), HomeButton::None);
    EXPECT_EQ(wnd.screenState(), Screen::List);
    EXPECT_TRUE(Shows(Compose(wnd), 129, 0, 0));
}

TEST(HomeScreen, AboutShowsTheVersion) {
    Program program;
    BackWnd& wnd = program.Start();
    Screen stateDuring = Screen::List;
    HomeButton pressedDuring = HomeButton::None;
    QString version, title;
    bool centred = false;
    DialogWatch watch([&](QWidget* dialog) {
        stateDuring = wnd.screenState();
        pressedDuring = wnd.pressedButton();
        title = dialog->windowTitle();
        if (auto* label = qobject_cast<QLabel*>(FindControl(dialog, 1062))) version = label->text();
        const QRect box = dialog->frameGeometry();
        centred = box.left() >= 0 && box.right() < 240 && box.top() >= 0 && box.bottom() < 320 &&
                  std::abs(box.center().x() - 120) <= 2;
        test::ClickControl(dialog, 1005);
    });
    Down(wnd, 200, 58);
    Up(wnd, 200, 58);
    EXPECT_TRUE(watch.seen());
    EXPECT_EQ(title, QStringLiteral("About"));
    EXPECT_EQ(version, QStringLiteral("Version 2.0.4"));
    EXPECT_TRUE(centred);
    EXPECT_EQ(stateDuring, Screen::About);
    EXPECT_EQ(pressedDuring, HomeButton::About);
    EXPECT_EQ(wnd.screenState(), Screen::List);
    EXPECT_EQ(wnd.pressedButton(), HomeButton::None);
    EXPECT_EQ(wnd.window()->focusWidget(), &wnd.listWnd());
}

TEST(HomeScreen, CloseBoxAsksBeforeQuitting) {
    Program program;
    BackWnd& wnd = program.Start();
    program.dev.messages().QueueAnswer(IDCANCEL);
    Down(wnd, 230, 12);
    EXPECT_EQ(wnd.pressedButton(), HomeButton::Close);
    EXPECT_FALSE(wnd.captured());  // the close box takes no capture
    Up(wnd, 230, 12);
    EXPECT_EQ(program.dev.messages().shown(), std::vector<std::u16string>{u"Quit InkVISTA ?"});
    EXPECT_FALSE(wnd.isClosed());
    EXPECT_TRUE(wnd.isVisible());
    EXPECT_EQ(wnd.pressedButton(), HomeButton::None);

    // Lifted outside the box: no question.
    Down(wnd, 230, 12);
    Up(wnd, 230, 30);
    EXPECT_EQ(program.dev.messages().shown().size(), 1u);

    program.dev.messages().QueueAnswer(IDOK);
    Down(wnd, 230, 12);
    Up(wnd, 230, 12);
    EXPECT_EQ(program.dev.messages().shown().size(), 2u);
    EXPECT_TRUE(wnd.isClosed());
    EXPECT_FALSE(wnd.isVisible());
    EXPECT_TRUE(program.keys.held.empty());
}

TEST(HomeScreen, ButtonSettingAppliesTheMapOnlyWhenConfirmed) {
    Program program;
    BackWnd& wnd = program.Start();
    const std::vector<uint8_t> before = program.OptionBytes();
    {
        DialogWatch watch([&](QWidget* dialog) {
            EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Button Setting"));
            EXPECT_EQ(static_cast<TemplateDialog*>(dialog)->templateId(), 145);
            SelectEntry(dialog, kHotKey3ListId, MenuOnOff - kFirstHotKeyAction);
            test::ClickControl(dialog, kButtonSettingCancelId);
        });
        Down(wnd, 100, 58);
        Up(wnd, 100, 58);
        EXPECT_TRUE(watch.seen());
    }
    EXPECT_EQ(wnd.keyMap(), KeyMap());
    EXPECT_EQ(program.OptionBytes(), before);
    EXPECT_EQ(program.keys.heldIds(), (std::vector<int>{0xC1, 0xC2, 0xC4}));
    {
        DialogWatch watch([&](QWidget* dialog) {
            EXPECT_EQ(wnd.screenState(), Screen::Keys);
            SelectEntry(dialog, kHotKey3ListId, MenuOnOff - kFirstHotKeyAction);
            SelectEntry(dialog, kHotKey4ListId, NoMapping - kFirstHotKeyAction);
            test::ClickControl(dialog, kButtonSettingOkId);
        });
        Down(wnd, 100, 58);
        Up(wnd, 100, 58);
        EXPECT_TRUE(watch.seen());
    }
    EXPECT_EQ(wnd.keyMap().hotKey(2), static_cast<uint32_t>(MenuOnOff));
    std::vector<uint8_t> after = before;
    after[24] = 9;
    after[28] = 8;
    EXPECT_EQ(program.OptionBytes(), after);
    // Taken again at once: the third button now, the fourth released.
    EXPECT_EQ(program.keys.heldIds(), (std::vector<int>{0xC1, 0xC2, 0xC3}));
    EXPECT_EQ(wnd.screenState(), Screen::List);
}

TEST(HomeScreen, ButtonSettingOnTheLooxUsesItsOwnTemplate) {
    Program program(u"FUJITSU Pocket LOOX");
    BackWnd& wnd = program.Start();
    int templateId = 0;
    DialogWatch watch([&](QWidget* dialog) {
        templateId = static_cast<TemplateDialog*>(dialog)->templateId();
        test::ClickControl(dialog, kButtonSettingCancelId);
    });
    Down(wnd, 100, 58);
    Up(wnd, 100, 58);
    EXPECT_EQ(templateId, 198);
}

TEST(HomeScreen, OptionsRefreshesTheLibraryEvenWhenCancelled) {
    Program program;
    BackWnd& wnd = program.Start();
    std::filesystem::create_directories(program.dev.Host(u"\\") / "Extra");
    program.InsertCardQuietly(u"Storage Card");
    const std::vector<uint8_t> before = program.OptionBytes();
    {
        DialogWatch watch([&](QWidget* dialog) {
            EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Options"));
            EXPECT_EQ(wnd.screenState(), Screen::Options);
            // What the password and folder dialogs inside would have done.
            DialogWorkingCopies& working = static_cast<OptionsDialog*>(dialog)->working();
            test::ClickControl(dialog, kOptionsPortraitId);
            working.password = {u'a', u'b', u'c'};
            SetUserDirText(working.userDir, u"\\Extra");
            test::ClickControl(dialog, kOptionsCancelId);
        });
        Down(wnd, 150, 58);
        Up(wnd, 150, 58);
        EXPECT_TRUE(watch.seen());
    }
    EXPECT_EQ(program.CardsListed(), 1);  // refreshed
    EXPECT_EQ(wnd.viewOption().portrait, 0);
    EXPECT_EQ(program.OptionBytes(), before);
    EXPECT_EQ(PasswordText(wnd.password()), u"abc");
    EXPECT_EQ(UserDirText(wnd.userDir()), u"\\Extra");
    EXPECT_TRUE(wnd.userDirExists());
    // The library opens books of the new user folder (slot 5) there.
    EXPECT_EQ(wnd.listWnd().model().Folders().userDir, u"\\Extra");
    program.InsertCardQuietly(u"Storage Card2");
    {
        DialogWatch watch([&](QWidget* dialog) {
            test::ClickControl(dialog, kOptionsPortraitId);
            SelectEntry(dialog, kOptionsScrollRangeId, 3);  // 200
            test::ClickControl(dialog, kOptionsOkId);
        });
        Down(wnd, 150, 58);
        Up(wnd, 150, 58);
    }
    EXPECT_EQ(program.CardsListed(), 2);  // refreshed again
    EXPECT_EQ(wnd.viewOption().portrait, 1);
    const std::vector<uint8_t> after = program.OptionBytes();
    ASSERT_EQ(after.size(), 48u);
    EXPECT_EQ(after[0], 1);
    EXPECT_EQ(after[8], 200);
    EXPECT_EQ(wnd.screenState(), Screen::List);
}

TEST(HomeScreen, ImpossibleStatesAreReported) {
    Program program;
    BackWnd& wnd = program.Start();
    QImage frame(240, 320, QImage::Format_RGB32);
    ComposeHomeScreen(frame, static_cast<HomeButton>(5), program.dev.messages());
    EXPECT_EQ(program.dev.messages().shown(),
              std::vector<std::u16string>{u"Error on DrawBackImage()--> Switch in BackWnd.cpp"});
    EXPECT_TRUE(Shows(frame, 129, 0, 0));  // the frame is still drawn

    program.dev.messages().Clear();
    ASSERT_EQ(wnd.screenState(), Screen::List);  // no dialog belongs to the list
    EXPECT_FALSE(wnd.ShowDialog());
    EXPECT_EQ(program.dev.messages().shown(),
              std::vector<std::u16string>{u"Error on ShowDialog in BackWnd"});
}

TEST(HomeScreen, AnImageLargerThanTheScreenKeepsItsEdgesWhite) {
    test::App();
    RecordingMessageBoxes messages;
    QImage frame(300, 400, QImage::Format_RGB32);
    frame.fill(Qt::black);
    ComposeHomeScreen(frame, HomeButton::None, messages);
    EXPECT_EQ(frame.pixel(260, 10), qRgb(255, 255, 255));
    EXPECT_EQ(frame.pixel(10, 350), qRgb(255, 255, 255));
    EXPECT_NE(frame.pixel(10, 10), qRgb(255, 255, 255));  // the banner
    EXPECT_TRUE(messages.shown().empty());
}

TEST(HomeScreen, Screenshot) {
    const QString dir = test::ShotDir();
    if (dir.isEmpty()) GTEST_SKIP() << "set INKVISTA_SHOT_DIR to keep a picture";
    Program program;
    BackWnd& wnd = program.Start();
    LibraryListWnd& list = wnd.listWnd();
    list.AppendRow({QStringLiteral("Moonlit Harbour"), QStringLiteral("5 / 024"), 2});
    list.AppendRow({QStringLiteral("Paper Kites"), QStringLiteral("1 / 012"), 0});
    list.AppendRow({QStringLiteral("The Long Road"), QStringLiteral("12 / 048"), 2});
    list.SelectRow(1);
    wnd.OnStylusDown(150, 58);
    EXPECT_TRUE(wnd.grab().save(dir + "/home-pressed.png"));
    wnd.OnStylusUp(60, 200);
    EXPECT_TRUE(wnd.grab().save(dir + "/home.png"));
}

}  // namespace
}  // namespace inkvista
