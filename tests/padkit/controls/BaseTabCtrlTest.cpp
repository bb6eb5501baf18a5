#include "padkit/controls/BaseTabCtrl.h"
#include "RenderUtil.h"
#include "padkit/controls/SysColor.h"

#include <QApplication>
#include <QSignalSpy>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <algorithm>

using namespace padkit;

TEST(BaseTabCtrl, TextIsCutAt257BytesWithoutSplittingACharacter) {
    EXPECT_EQ(TabDisplayText(QString(300, QLatin1Char('a'))).size(), 257);
    EXPECT_EQ(TabDisplayText(QString(200, QChar(0x3042))).size(), 128); // full-width: two bytes each
    EXPECT_EQ(TabDisplayText(QString(256, QLatin1Char('a')) + QChar(0x3042)).size(), 256);
    EXPECT_EQ(TabDisplayText(QString(100, QChar(0xFF71))).size(), 100); // half-width katakana: one byte
    EXPECT_EQ(TabDisplayText(QStringLiteral("Group1")), QStringLiteral("Group1"));
}

TEST(BaseTabCtrl, SelectedTabHasItsFaceAndTheOrangeBar) {
    CBaseTabCtrl tabs;
    tabs.SetBkColor(RGB(200, 200, 200));
    tabs.SetBkSelColor(RGB(250, 250, 250));
    tabs.addTab(QStringLiteral("Group1"));
    tabs.addTab(QStringLiteral("Group2"));
    tabs.addTab(QStringLiteral("グループ3"));
    tabs.setCurrentIndex(1);
    tabs.resize(tabs.sizeHint());
    const QImage img = RenderWidget(tabs);

    const QColor orange = ColorOf(kTabSelectedBar);
    const QRect sel = tabs.tabRect(1);
    const QRect plain = tabs.tabRect(0);
    const int midSel = sel.left() + sel.width() / 2;
    const int midPlain = plain.left() + plain.width() / 2;
    // Two rows at the top of the selected tab, inset by the edge width at both ends.
    EXPECT_EQ(img.pixelColor(midSel, sel.top() + 2), orange);
    EXPECT_EQ(img.pixelColor(midSel, sel.top() + 3), orange);
    EXPECT_NE(img.pixelColor(midSel, sel.top() + 4), orange);
    EXPECT_NE(img.pixelColor(midSel, sel.top() + 1), orange);
    EXPECT_EQ(img.pixelColor(sel.left() + 2, sel.top() + 2), orange);
    EXPECT_NE(img.pixelColor(sel.left() + 1, sel.top() + 2), orange);
    EXPECT_EQ(img.pixelColor(sel.right() - 2, sel.top() + 2), orange);
    EXPECT_NE(img.pixelColor(sel.right() - 1, sel.top() + 2), orange);
    // Faces: the selected colour behind the selected tab only.
    EXPECT_EQ(img.pixelColor(sel.left() + 1, sel.bottom() - 1), QColor(250, 250, 250));
    EXPECT_EQ(img.pixelColor(plain.left() + 1, plain.bottom() - 1), QColor(200, 200, 200));
    EXPECT_NE(img.pixelColor(midPlain, plain.top() + 2), orange);

    // The text starts three edge widths in, below the bar.
    bool textSeen = false;
    for (int y = sel.top(); y <= sel.bottom(); ++y)
        for (int x = sel.left(); x <= sel.right(); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (Luma(c) < 128) {
                textSeen = true;
                EXPECT_GE(x, sel.left() + 3 * kTabEdge);
                EXPECT_GE(y, sel.top() + kTabEdge + kTabBarWidth);
            }
        }
    EXPECT_TRUE(textSeen);

    tabs.setCurrentIndex(0);
    const QImage after = RenderWidget(tabs);
    EXPECT_EQ(after.pixelColor(midPlain, plain.top() + 2), orange);
    EXPECT_NE(after.pixelColor(midSel, sel.top() + 2), orange);
}

// A window that lights its labels for a dark background (the main window does) must not pass that pale
// colour to the tab texts, which stand on the light tab faces.
TEST(BaseTabCtrl, TextKeepsTheSystemColourInsideALightTextWindow) {
    QWidget window;
    QPalette pal = window.palette();
    pal.setColor(QPalette::Window, QColor(64, 64, 64));
    pal.setColor(QPalette::WindowText, QColor(191, 191, 191));
    window.setPalette(pal);
    auto* tabs = new CBaseTabCtrl(&window);
    tabs->addTab(QStringLiteral("Group1"));
    tabs->addTab(QStringLiteral("Group2"));
    tabs->resize(tabs->sizeHint());
    const QImage img = RenderWidget(*tabs);
    const QColor text = QApplication::palette().color(QPalette::Active, QPalette::WindowText);
    for (int i = 0; i < tabs->count(); ++i) {
        const QRect item = tabs->tabRect(i);
        int darkest = 255;
        for (int y = item.top(); y <= item.bottom(); ++y)
            for (int x = item.left(); x <= item.right(); ++x)
                darkest = std::min(darkest, Luma(img.pixelColor(x, y)));
        EXPECT_LE(darkest, Luma(text) + 40) << "tab " << i;
    }
}

TEST(BaseTabCtrl, DefaultColoursAreTheSystemFaces) {
    CBaseTabCtrl tabs;
    EXPECT_EQ(tabs.GetBkColor(), GetSysColorRef(SysColor::BtnFace));
    EXPECT_EQ(tabs.GetBkSelColor(), GetSysColorRef(SysColor::BtnHighlight));
}

// A turn of the mouse wheel over the tabs selects nothing: tabs change by a click.
TEST(BaseTabCtrl, TheWheelDoesNotChangeTheTab) {
    CBaseTabCtrl tabs;
    for (const char* name : {"A", "B", "C"})
        tabs.addTab(QString::fromLatin1(name));
    tabs.setCurrentIndex(1);
    tabs.resize(tabs.sizeHint());
    QSignalSpy changed(&tabs, &QTabBar::currentChanged);
    const QPointF at = tabs.tabRect(1).center();
    for (int delta : {-120, 120, -360}) {
        QWheelEvent wheel(at, tabs.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&tabs, &wheel);
        EXPECT_FALSE(wheel.isAccepted()) << "left to the parent";
    }
    EXPECT_EQ(tabs.currentIndex(), 1);
    EXPECT_EQ(changed.count(), 0);
}
