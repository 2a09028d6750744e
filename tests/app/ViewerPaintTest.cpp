// The viewer's frame over the page: its pictures, the bar, the panel and the
// last-page box in both orientations.
#include <gtest/gtest.h>

#include <QImage>

#include "AppTestSupport.h"
#include "ui/Artwork.h"
#include "viewer/Overlays.h"
#include "viewer/PagePainter.h"

namespace inkvista {
namespace {

QImage GreyFrame() {
    test::App();  // the texts need the application's fonts
    QImage frame(240, 320, QImage::Format_RGB32);
    frame.fill(kStockGrey);
    return frame;
}

QImage Draw(const ReadingState& reading, const FrameFacts& facts) {
    QImage frame = GreyFrame();
    DrawOverlays(frame, reading, facts);
    return frame;
}

bool AllGrey(const QImage& frame, const QRect& rect) {
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            if (frame.pixel(x, y) != kStockGrey.rgb()) return false;
        }
    }
    return true;
}

TEST(ViewerPaint, EveryPictureHasItsSize) {
    struct Size {
        int id, width, height;
    };
    const Size sizes[] = {
        {150, 14, 20}, {151, 20, 20},  {152, 14, 20},  {176, 14, 20}, {153, 14, 20}, {177, 14, 20},
        {157, 84, 20}, {154, 50, 20},  {155, 10, 20},  {167, 10, 20}, {168, 10, 20}, {169, 10, 20},
        {156, 34, 20}, {158, 20, 14},  {159, 20, 20},  {160, 20, 14}, {179, 20, 14}, {161, 20, 14},
        {178, 20, 14}, {162, 20, 164}, {163, 20, 50},  {164, 20, 10}, {172, 20, 10}, {171, 20, 10},
        {170, 20, 10}, {165, 20, 34},  {174, 110, 20}, {180, 20, 20}, {181, 20, 20}, {182, 20, 20},
        {183, 20, 20}, {175, 20, 110}, {184, 20, 20},  {187, 20, 20}, {186, 20, 20}, {185, 20, 20},
    };
    test::App();
    for (const Size& s : sizes) {
        EXPECT_EQ(LoadBitmap(s.id).size(), QSize(s.width, s.height)) << s.id;
    }
    // The pressed looks differ from the plain ones they cover.
    EXPECT_NE(LoadBitmap(152), LoadBitmap(176));
    EXPECT_NE(LoadBitmap(161), LoadBitmap(178));
    EXPECT_NE(LoadBitmap(174).copy(0, 0, 20, 20), LoadBitmap(180));
}

TEST(ViewerPaint, BatteryPictureByPercentage) {
    EXPECT_EQ(BatteryPicture(81, true), 167);
    EXPECT_EQ(BatteryPicture(80, true), 168);
    EXPECT_EQ(BatteryPicture(31, true), 168);
    EXPECT_EQ(BatteryPicture(30, true), 169);
    EXPECT_EQ(BatteryPicture(0, true), 169);
    EXPECT_EQ(BatteryPicture(255, true), 155);
    EXPECT_EQ(BatteryPicture(100, false), 172);
    EXPECT_EQ(BatteryPicture(50, false), 171);
    EXPECT_EQ(BatteryPicture(1, false), 170);
    EXPECT_EQ(BatteryPicture(255, false), 164);
}

TEST(ViewerPaint, TheBarLiesAlongTheReadersBottomEdge) {
    ReadingState reading;
    FrameFacts facts;
    facts.portrait = true;
    facts.title = u"Harbour";
    facts.pageCount = 24;
    QImage frame = Draw(reading, facts);
    EXPECT_FALSE(AllGrey(frame, QRect(0, 300, 240, 20)));
    EXPECT_TRUE(AllGrey(frame, QRect(0, 0, 240, 300)));
    // The hide-bar picture sits at the left end, 1:1.
    EXPECT_EQ(frame.copy(0, 300, 14, 20), LoadBitmap(150).convertToFormat(QImage::Format_RGB32));

    facts.portrait = false;
    frame = Draw(reading, facts);
    EXPECT_FALSE(AllGrey(frame, QRect(220, 0, 20, 320)));
    EXPECT_TRUE(AllGrey(frame, QRect(0, 0, 220, 320)));
    EXPECT_EQ(frame.copy(220, 306, 20, 14), LoadBitmap(158).convertToFormat(QImage::Format_RGB32));

    // A held page button is drawn pressed.
    reading.pageButtonHeld = 1;
    reading.heldPageButton = PageButton::Next;
    frame = Draw(reading, facts);
    EXPECT_EQ(frame.copy(220, 258, 20, 14), LoadBitmap(178).convertToFormat(QImage::Format_RGB32));
}

TEST(ViewerPaint, TheClockAndCounterChangeOnlyTheirFields) {
    const ReadingState reading;
    FrameFacts facts;
    facts.portrait = true;
    facts.pageCount = 24;
    facts.clock = ClockTime{9, 5};
    const QImage morning = Draw(reading, facts);
    facts.clock = ClockTime{21, 5};
    const QImage evening = Draw(reading, facts);
    EXPECT_NE(morning.copy(206, 300, 34, 20), evening.copy(206, 300, 34, 20));
    EXPECT_EQ(morning.copy(0, 300, 206, 20), evening.copy(0, 300, 206, 20));
    facts.currentPage = 1;
    const QImage second = Draw(reading, facts);
    EXPECT_NE(second.copy(146, 300, 50, 20), evening.copy(146, 300, 50, 20));
    EXPECT_EQ(second.copy(0, 300, 146, 20), evening.copy(0, 300, 146, 20));
}

TEST(ViewerPaint, ThePanelNeedsTheBarButTheLastPageBoxDoesNot) {
    ReadingState reading;
    reading.jumpPanelShown = 1;
    reading.jumpTarget = 4;
    FrameFacts facts;
    facts.portrait = true;
    QImage frame = Draw(reading, facts);
    EXPECT_FALSE(AllGrey(frame, QRect(130, 280, 110, 20)));
    // A lit arrow is drawn pressed over the panel.
    reading.jumpArrowLit = 1;
    reading.litJumpArrow = JumpArrow::Forward1;
    frame = Draw(reading, facts);
    EXPECT_EQ(frame.copy(200, 280, 20, 20), LoadBitmap(182).convertToFormat(QImage::Format_RGB32));

    reading.menuShown = 0;
    EXPECT_TRUE(AllGrey(Draw(reading, facts), QRect(0, 0, 240, 320)));

    reading.lastPageNotice = 1;
    frame = Draw(reading, facts);
    EXPECT_EQ(frame.pixel(55, 145), qRgb(255, 255, 255));
    EXPECT_EQ(frame.pixel(50, 140), qRgb(0, 0, 0));
    EXPECT_TRUE(AllGrey(frame, QRect(0, 200, 240, 120)));
    facts.portrait = false;
    frame = Draw(reading, facts);
    EXPECT_EQ(frame.pixel(102, 92), qRgb(255, 255, 255));
    EXPECT_EQ(frame.pixel(139, 229), qRgb(0, 0, 0));
    EXPECT_TRUE(AllGrey(frame, QRect(0, 0, 100, 320)));
}

TEST(ViewerPaint, AnEnlargedWindowGetsAFrameAtItsOwnPixels) {
    test::Program program;
    ASSERT_TRUE(test::WriteTestBook(program.dev.Host(u"\\My Documents\\InkVISTA\\big.cmb"), 2, 240,
                                    400, "Harbour Tale"));
    BackWnd& wnd = program.Start();
    ASSERT_TRUE(program.Open(u"big.cmb"));
    PageViewWnd& viewer = wnd.viewWnd();
    const QImage one = viewer.ComposeFrame(1.0).copy();
    const QImage three = viewer.ComposeFrame(3.0).copy();
    ASSERT_EQ(three.size(), QSize(720, 960));
    // The pictures are the ones drawn for three times the resolution, not
    // the device's enlarged; the page keeps its pixels, each a 3 x 3 block.
    const QImage hide = LoadBitmap(158, 3.0).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(hide.size(), QSize(60, 42));
    bool finer = false;
    for (int y = 0; y < 42; ++y) {
        for (int x = 0; x < 60; ++x) {
            ASSERT_EQ(three.pixel(3 * 220 + x, 3 * 306 + y), hide.pixel(x, y)) << x << "," << y;
            finer = finer || hide.pixel(x, y) != hide.pixel(x / 3 * 3, y / 3 * 3);
        }
    }
    EXPECT_TRUE(finer) << "the bar's picture is the device's, enlarged";
    for (int dy = 0; dy < 3; ++dy) {
        for (int dx = 0; dx < 3; ++dx)
            EXPECT_EQ(three.pixel(3 * 100 + dx, 3 * 200 + dy), one.pixel(100, 200));
    }
    if (!test::ShotDir().isEmpty()) {
        EXPECT_TRUE(three.save(test::ShotDir() + "/viewer-3x.png"));
    }
}

// Between whole scales a device pixel keeps its share of the light: the
// pixels inside its block are its own, only those its edges cut through mix
// with the neighbours, and nothing reaches further.
TEST(ViewerPaint, AFractionalScaleSharesOnlyTheCutPixels) {
    QImage device(240, 320, QImage::Format_RGB32);
    device.fill(Qt::black);
    device.setPixel(100, 50, qRgb(255, 255, 255));
    for (const QSize size : {QSize(480, 640), QSize(810, 1080), QSize(796, 1061)}) {
        QImage frame(size, QImage::Format_RGB32);
        frame.fill(Qt::red);
        EnlargeFrame(device, frame);
        const qreal across = size.width() / 240.0, down = size.height() / 320.0;
        const QRectF block(100 * across, 50 * down, across, down);
        long light = 0;
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) {
                const QRgb pixel = frame.pixel(x, y);
                const QRectF covers(x, y, 1, 1);
                if (block.contains(covers)) {
                    ASSERT_EQ(pixel, qRgb(255, 255, 255)) << x << "," << y;
                } else if (!block.intersects(covers)) {
                    ASSERT_EQ(pixel, qRgb(0, 0, 0)) << x << "," << y;
                }
                light += qGreen(pixel);
            }
        }
        EXPECT_NEAR(light, 255 * across * down, 2 * (across + down)) << size.width();
    }
}

}  // namespace
}  // namespace inkvista
