#include "padkit/controls/GdiColorButton.h"
#include "RenderUtil.h"

#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace padkit;

namespace {

constexpr COLORREF kBack = RGB(0x40, 0x40, 0x40);
constexpr COLORREF kFrame = RGB(0, 0, 0x80);

void Style(CGdiColorButton& b, int radius) {
    b.resize(80, 30);
    b.SetFaceColor(RGB(0x7F, 0x7F, 0x7F));
    b.SetFaceHiColor(RGB(0x60, 0x60, 0x60));
    b.SetFrameColor(kFrame);
    b.SetCornerR(radius);
    b.SetBackColor(kBack);
}

// Bounding box of the caption: the darkest pixels inside the frame.
QRect CaptionBox(const QImage& img) {
    QRect box;
    for (int y = 3; y < img.height() - 3; ++y)
        for (int x = 3; x < img.width() - 3; ++x)
            if (Luma(img.pixelColor(x, y)) < 40)
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

TEST(GdiColorButton, PressingSinksTheShapeAndTheCaptionByOnePixel) {
    CGdiColorButton b(QStringLiteral("PLAY"), BS_PUSHBUTTON);
    Style(b, 5);
    const QImage up = RenderWidget(b);
    const int mid = 15;
    EXPECT_EQ(up.pixelColor(0, mid), ColorOf(kFrame));
    EXPECT_EQ(up.pixelColor(79, mid), ColorOf(kFrame));
    EXPECT_EQ(up.pixelColor(40, 0), ColorOf(kFrame));
    EXPECT_EQ(up.pixelColor(40, 29), ColorOf(kFrame));

    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(40, 15));
    ASSERT_TRUE(b.IsPressed());
    const QImage down = RenderWidget(b);
    EXPECT_EQ(down.pixelColor(0, mid), ColorOf(kBack));
    EXPECT_EQ(down.pixelColor(1, mid), ColorOf(kFrame));
    EXPECT_EQ(down.pixelColor(78, mid), ColorOf(kFrame));
    EXPECT_EQ(down.pixelColor(79, mid), ColorOf(kBack));
    EXPECT_EQ(down.pixelColor(40, 1), ColorOf(kFrame));
    EXPECT_EQ(down.pixelColor(40, 28), ColorOf(kFrame));
    const QRect capUp = CaptionBox(up);
    ASSERT_FALSE(capUp.isEmpty());
    EXPECT_EQ(CaptionBox(down), capUp.translated(1, 1));

    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(40, 15));
    EXPECT_EQ(RenderWidget(b), up);
}

TEST(GdiColorButton, FrameCoversWholeDevicePixelsOnAScaledScreen) {
    CGdiColorButton b(QString(), BS_PUSHBUTTON);
    Style(b, 5);
    const QImage img = RenderWidgetScaled(b, 2.0);
    const int mid = 30;
    EXPECT_EQ(img.pixelColor(0, mid), ColorOf(kFrame));
    EXPECT_EQ(img.pixelColor(1, mid), ColorOf(kFrame));
    EXPECT_NE(img.pixelColor(2, mid), ColorOf(kFrame));
    EXPECT_EQ(img.pixelColor(159, mid), ColorOf(kFrame));
    EXPECT_EQ(img.pixelColor(158, mid), ColorOf(kFrame));
}

TEST(GdiColorButton, CornersFollowTheRadius) {
    CGdiColorButton round(QString(), BS_PUSHBUTTON);
    Style(round, 5);
    EXPECT_EQ(RenderWidget(round).pixelColor(0, 0), ColorOf(kBack));
    CGdiColorButton square(QString(), BS_PUSHBUTTON);
    Style(square, 0);
    const QImage img = RenderWidget(square);
    EXPECT_EQ(img.pixelColor(0, 0), ColorOf(kFrame));
    EXPECT_EQ(img.pixelColor(79, 29), ColorOf(kFrame));
    // No gloss without corners: the top rows inside the frame differ only by the slow shade.
    EXPECT_LE(std::abs(Luma(img.pixelColor(40, 1)) - Luma(img.pixelColor(40, 5))), 3);
    // With corners the gloss starts in the highlight colour at the top.
    const QImage glossy = RenderWidget(round);
    EXPECT_GT(std::abs(Luma(glossy.pixelColor(40, 1)) - Luma(glossy.pixelColor(40, 8))), 10);
}

TEST(GdiColorButton, HoverLightensAndDisabledShowsTheHighlightFace) {
    CGdiColorButton b(QString(), BS_PUSHBUTTON);
    Style(b, 5);
    const QColor normal = RenderWidget(b).pixelColor(40, 15);
    QEnterEvent enter(QPointF(40, 15), QPointF(40, 15), QPointF(40, 15));
    QCoreApplication::sendEvent(&b, &enter);
    ASSERT_TRUE(b.IsHover());
    const QColor hovered = RenderWidget(b).pixelColor(40, 15);
    EXPECT_GT(Luma(hovered), Luma(normal) + 30);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&b, &leave);
    EXPECT_EQ(RenderWidget(b).pixelColor(40, 15), normal);

    b.setEnabled(false);
    const QImage off = RenderWidget(b);
    // Face highlight all over the inside: no gloss, no shade.
    EXPECT_EQ(off.pixelColor(40, 15), QColor(0x60, 0x60, 0x60));
    EXPECT_EQ(off.pixelColor(40, 2), QColor(0x60, 0x60, 0x60));
    EXPECT_EQ(off.pixelColor(40, 27), QColor(0x60, 0x60, 0x60));
}

TEST(GdiColorButton, FocusShowsADottedRectangleInsetByTheRadius) {
    QImage img(80, 30, QImage::Format_ARGB32_Premultiplied);
    ColorButtonLook look;
    look.face = RGB(0xFF, 0xFF, 0xFF);
    look.faceHi = RGB(0xFF, 0xFF, 0xFF);
    look.frame = RGB(0xFF, 0xFF, 0xFF);
    look.cornerR = 5;
    look.caption = Qt::black;
    auto blackOnRow = [&](int y) {
        int n = 0;
        for (int x = 0; x < 80; ++x)
            n += Luma(img.pixelColor(x, y)) < 100;
        return n;
    };
    for (bool focus : {false, true}) {
        img.fill(Qt::white);
        look.focus = focus;
        QPainter p(&img);
        DrawColorButton(p, 80, 30, look, QString(), QFont());
        p.end();
        if (focus) {
            // Dotted: about every other pixel of the row is black.
            EXPECT_GT(blackOnRow(5), 25);
            EXPECT_LT(blackOnRow(5), 55);
            int left = 0;
            for (int y = 5; y < 25; ++y)
                left += Luma(img.pixelColor(2, y)) < 100;
            EXPECT_GT(left, 6);
            EXPECT_LT(left, 14);
        } else {
            EXPECT_EQ(blackOnRow(5), 0);
        }
    }
}

TEST(GdiColorButton, CheckBoxKindTogglesOnReleaseAndNotifiesEveryRelease) {
    CGdiColorButton b(QStringLiteral("R"), BS_AUTOCHECKBOX);
    Style(b, 5);
    QSignalSpy clicks(&b, &QAbstractButton::clicked);
    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(b.GetCheck(), BST_UNCHECKED);
    EXPECT_EQ(clicks.count(), 0);
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(b.GetCheck(), BST_CHECKED);
    EXPECT_EQ(clicks.count(), 1);
    // Released outside the button: still a toggle and a notification.
    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(200, 200));
    EXPECT_EQ(b.GetCheck(), BST_UNCHECKED);
    EXPECT_EQ(clicks.count(), 2);
    // A double click arrives as press, release, double click, release: two notifications.
    QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(10, 10));
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(10, 10), b.mapToGlobal(QPointF(10, 10)),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&b, &dbl);
    EXPECT_TRUE(b.IsPressed());
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(clicks.count(), 4);
    EXPECT_EQ(b.GetCheck(), BST_UNCHECKED);

    b.SetCheck(1);
    EXPECT_EQ(b.GetCheck(), BST_CHECKED);
}

TEST(GdiColorButton, KindsKeepTheirCheckState) {
    CGdiColorButton push(QString(), BS_PUSHBUTTON);
    push.SetCheck(1);
    EXPECT_EQ(push.GetCheck(), BST_UNCHECKED);

    CGdiColorButton radio(QString(), BS_AUTORADIOBUTTON);
    radio.resize(40, 20);
    QTest::mouseClick(&radio, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(radio.GetCheck(), BST_CHECKED);
    QTest::mouseClick(&radio, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(radio.GetCheck(), BST_CHECKED);

    // Not automatic: the owner decides, a click changes nothing.
    CGdiColorButton manual(QString(), BS_CHECKBOX);
    manual.resize(40, 20);
    QSignalSpy clicks(&manual, &QAbstractButton::clicked);
    QTest::mouseClick(&manual, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(manual.GetCheck(), BST_UNCHECKED);
    EXPECT_EQ(clicks.count(), 1);
    manual.SetCheck(1);
    EXPECT_EQ(manual.GetCheck(), BST_CHECKED);
}
