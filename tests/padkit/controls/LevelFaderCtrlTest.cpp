#include "padkit/controls/LevelFaderCtrl.h"
#include "RenderUtil.h"
#include "padkit/controls/SysColor.h"
#include "platform/DialogTemplate.h"

#include <QPainter>
#include <QProxyStyle>
#include <QTest>
#include <gtest/gtest.h>

using namespace padkit;

namespace {

// The meter configuration the main window uses, in decibels.
LevelScale DecibelScale() {
    LevelScale s;
    s.nMin = -48;
    s.nMax = 0;
    s.nRedMin = -8;
    s.nYellowMin = -18;
    s.nYellowMax = -8;
    s.nGreenMax = -18;
    return s;
}

void ConfigureDecibels(CLevelFaderCtrl& f) {
    f.SetLevelRange(-48, 0);
    f.SetLevelRangeR(-8, 0);
    f.SetLevelRangeY(-18, -8);
    f.SetLevelRangeG(-48, -18);
}

// Heights of the bands, in painting order.
std::vector<int> BandHeights(int level) {
    const LevelBands b = LevelMeterBands(QRect(0, 0, 8, 100), DecibelScale(), level);
    std::vector<int> out;
    for (int i = 0; i < b.count; ++i)
        out.push_back(b.band[i].rect.height());
    return out;
}

class ExposedFader : public CLevelFaderCtrl {
public:
    using CLevelFaderCtrl::DrawLevel;
};

// A style that jumps a slider's thumb to a left click, as some desktop styles do.
class JumpingStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_Slider_AbsoluteSetButtons)
            return Qt::LeftButton;
        if (hint == SH_Slider_PageSetButtons)
            return Qt::NoButton;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// A click near the end of a vertical slider's groove that holds its maximum or its minimum.
void ClickNearEnd(QSlider& s, bool maximumEnd) {
    const bool maximumAtTop = !s.invertedAppearance();
    const int margin = 3;
    const int y = maximumEnd == maximumAtTop ? margin : s.height() - 1 - margin;
    QTest::mouseClick(&s, Qt::LeftButton, Qt::NoModifier, QPoint(s.width() / 2, y));
}

// Clicks off the thumb page by a fifth of the range, whichever way the style treats clicks.
void ExpectClicksPageByAFifth(QSlider& s) {
    s.resize(30, 300);
    s.window()->show();
    s.setRange(0, 100);
    EXPECT_EQ(s.pageStep(), 20);
    s.setValue(50);
    ClickNearEnd(s, true);
    EXPECT_EQ(s.value(), 70);
    ClickNearEnd(s, true);
    EXPECT_EQ(s.value(), 90);
    ClickNearEnd(s, false);
    EXPECT_EQ(s.value(), 70);
    s.setRange(0, 50);
    EXPECT_EQ(s.pageStep(), 10);
}

} // namespace

TEST(LevelFaderCtrl, BandsOfAHundredPixelGroove) {
    EXPECT_EQ(BandHeights(-48), (std::vector<int>{0}));
    EXPECT_EQ(BandHeights(-30), (std::vector<int>{37}));
    EXPECT_EQ(BandHeights(-10), (std::vector<int>{79, 62}));
    EXPECT_EQ(BandHeights(-3), (std::vector<int>{93, 83, 62}));
    // Thresholds are strict: a level on a zone's minimum shows the zone below.
    EXPECT_EQ(BandHeights(-8), (std::vector<int>{83, 62}));
    EXPECT_EQ(BandHeights(-18), (std::vector<int>{62}));

    const LevelBands red = LevelMeterBands(QRect(0, 0, 8, 100), DecibelScale(), -3);
    EXPECT_EQ(red.band[0].color, kLevelRed);
    EXPECT_EQ(red.band[1].color, kLevelYellow);
    EXPECT_EQ(red.band[2].color, kLevelGreen);
    // Bands grow from the bottom of the groove.
    EXPECT_EQ(red.band[0].rect, QRect(0, 7, 8, 93));
}

TEST(LevelFaderCtrl, DefaultZonesShowFullGreenAndEmptyScaleShowsNothing) {
    const LevelBands b = LevelMeterBands(QRect(0, 0, 8, 100), LevelScale{}, 10);
    ASSERT_EQ(b.count, 3);
    EXPECT_EQ(b.band[2].color, kLevelGreen);
    EXPECT_EQ(b.band[2].rect.height(), 100);
    EXPECT_EQ(LevelFillHeight(100, 5, 5, 5), 0);
    EXPECT_EQ(LevelFillHeight(100, 5, 5, 100), 0);
}

TEST(LevelFaderCtrl, MeterWidensByWholePixels) {
    EXPECT_EQ(LevelMeterRect(QRect(10, 0, 4, 50), 4), QRect(8, 0, 8, 50));
    EXPECT_EQ(LevelMeterRect(QRect(10, 0, 4, 50), 5), QRect(8, 0, 8, 50));
    EXPECT_EQ(LevelMeterRect(QRect(10, 0, 4, 50), 0), QRect(10, 0, 4, 50));
}

TEST(LevelFaderCtrl, LevelIsClampedToTheRangeWhicheverSetterRuns) {
    CLevelFaderCtrl f;
    ConfigureDecibels(f);
    f.SetLevelPos(-100);
    EXPECT_EQ(f.GetLevelPos(), -48);
    f.SetLevelPos(5);
    EXPECT_EQ(f.GetLevelPos(), 0);
    f.SetLevelRange(-48, -20); // narrowing the range re-clamps the level
    EXPECT_EQ(f.GetLevelPos(), -20);
    f.SetLevelRange(10, 0); // inverted: the maximum wins
    f.SetLevelPos(5);
    EXPECT_EQ(f.GetLevelPos(), 0);
    int lo = 0, hi = 0;
    f.GetLevelRangeG(&lo, &hi);
    EXPECT_EQ(lo, -48);
    EXPECT_EQ(hi, -18);
}

TEST(LevelFaderCtrl, PaintsTheBandsOverTheGrooveWithASunkenEdge) {
    ExposedFader f;
    ConfigureDecibels(f);
    QImage img(40, 120, QImage::Format_ARGB32_Premultiplied);
    const QColor backdrop(12, 34, 56);
    for (int level : {-30, -10, -3}) {
        img.fill(backdrop);
        f.SetLevelPos(level);
        QPainter p(&img);
        f.DrawLevel(p, QRect(16, 10, 8, 100)); // groove rows 10..109
        p.end();
        const int bottom = 110;
        const int x = 20;
        auto colorAtHeight = [&](int h) { return img.pixelColor(x, bottom - h); };
        const std::vector<int> heights = BandHeights(level);
        const QColor top = ColorOf(heights.size() == 3   ? kLevelRed
                                   : heights.size() == 2 ? kLevelYellow
                                                         : kLevelGreen);
        EXPECT_EQ(colorAtHeight(heights[0]), top) << level;
        EXPECT_EQ(colorAtHeight(heights[0] + 1), backdrop) << level;
        EXPECT_EQ(colorAtHeight(heights.back()), ColorOf(kLevelGreen)) << level;
        if (heights.size() > 1) {
            EXPECT_NE(colorAtHeight(heights.back() + 1), ColorOf(kLevelGreen)) << level;
        }
    }
    // The widened rectangle is framed: shadow at its outer left, highlight at its outer right.
    EXPECT_EQ(img.pixelColor(14, 60), Rgb8(SysQColor(SysColor::BtnShadow)));
    EXPECT_EQ(img.pixelColor(25, 60), Rgb8(SysQColor(SysColor::BtnHighlight)));
    EXPECT_EQ(img.pixelColor(13, 60), backdrop);
    EXPECT_EQ(img.pixelColor(26, 60), backdrop);
}

TEST(LevelFaderCtrl, WidgetShowsTheLevelAndNeverTicks) {
    CLevelFaderCtrl f;
    ConfigureDecibels(f);
    f.resize(40, 300);
    f.setValue(f.maximum()); // thumb at the top, away from the bands checked
    f.SetLevelPos(-30);
    const QRect groove = f.ChannelRect();
    const int fill = LevelFillHeight(groove.height(), -48, 0, -30);
    const QImage img = RenderWidget(f);
    const int x = groove.center().x();
    const int bottom = groove.top() + groove.height();
    EXPECT_EQ(img.pixelColor(x, bottom - fill), ColorOf(kLevelGreen));
    EXPECT_NE(img.pixelColor(x, bottom - fill - 1), ColorOf(kLevelGreen));

    f.setTickPosition(QSlider::TicksBothSides);
    f.setTickInterval(5);
    EXPECT_EQ(RenderWidget(f), img);
}

TEST(LevelFaderCtrl, EmptyRangeDrawsAnEmptyMeter) {
    CLevelFaderCtrl f;
    f.resize(40, 200);
    f.SetLevelRange(0, 0);
    f.SetLevelPos(0);
    const QImage img = RenderWidget(f);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            ASSERT_FALSE(c == ColorOf(kLevelGreen) || c == ColorOf(kLevelRed) || c == ColorOf(kLevelYellow))
                << x << "," << y;
        }
}

TEST(LevelFaderCtrl, BandEdgesStaySharpOnAScaledScreen) {
    CLevelFaderCtrl f;
    ConfigureDecibels(f);
    f.resize(40, 200);
    f.setValue(f.maximum());
    f.SetLevelPos(-10);
    const QRect groove = f.ChannelRect();
    const QImage img = RenderWidgetScaled(f, 2.0);
    const int x = groove.center().x() * 2;
    const int bottom = (groove.top() + groove.height()) * 2;
    const int yellowTop = bottom - 2 * LevelFillHeight(groove.height(), -48, 0, -10);
    const int greenTop = bottom - 2 * LevelFillHeight(groove.height(), -48, 0, -18);
    // Each band covers whole device pixels: no blended rows at its edges.
    EXPECT_EQ(img.pixelColor(x, yellowTop), ColorOf(kLevelYellow));
    EXPECT_EQ(img.pixelColor(x, yellowTop + 1), ColorOf(kLevelYellow));
    EXPECT_NE(img.pixelColor(x, yellowTop - 1), ColorOf(kLevelYellow));
    EXPECT_EQ(img.pixelColor(x, greenTop - 1), ColorOf(kLevelYellow));
    EXPECT_EQ(img.pixelColor(x, greenTop), ColorOf(kLevelGreen));
}

TEST(LevelFaderCtrl, ClicksInTheGroovePageByAFifthOfTheRangeAsTheMasterFaderDoes) {
    {
        SCOPED_TRACE("level fader");
        CLevelFaderCtrl fader;
        ExpectClicksPageByAFifth(fader);
    }
    {
        SCOPED_TRACE("level fader, jumping style");
        JumpingStyle style;
        CLevelFaderCtrl fader;
        fader.setStyle(&style);
        ExpectClicksPageByAFifth(fader);
    }
    // The master fader is the dialog's plain trackbar, drawn with its position 0 at the top.
    platform::DialogTemplate d;
    d.size = QSize(40, 200);
    d.controls = {{1, platform::ControlKind::VerticalTrackbar, {}, QRect(4, 4, 13, 150)}};
    {
        SCOPED_TRACE("master fader");
        QWidget client;
        platform::BuildDialogControls(&client, d);
        auto* master = platform::GetDlgItemAs<QSlider>(&client, 1);
        ASSERT_NE(master, nullptr);
        ExpectClicksPageByAFifth(*master);
    }
    {
        SCOPED_TRACE("master fader, jumping style");
        JumpingStyle style;
        QWidget client;
        platform::BuildDialogControls(&client, d);
        auto* master = platform::GetDlgItemAs<QSlider>(&client, 1);
        ASSERT_NE(master, nullptr);
        master->setStyle(&style);
        ExpectClicksPageByAFifth(*master);
    }
}
