#include "platform/DialogTemplate.h"
#include "platform/MenuTemplate.h"

#include <QAction>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>
#include <QTabBar>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace platform;

TEST(DialogUnits, ConvertWithRoundingAndEdgesThatTile) {
    const QSize base(8, 16);
    EXPECT_EQ(DialogUnitsToPixels(QRect(6, 278, 32, 29), base), QRect(12, 556, 64, 58));
    EXPECT_EQ(DialogUnitsToPixels(QSize(397, 313), base), QSize(794, 626));

    // Odd base units: each edge is rounded, so the right edge of one control meets the left edge of
    // the next one placed at its end.
    const QSize odd(7, 15);
    const QRect a = DialogUnitsToPixels(QRect(1, 3, 5, 5), odd);
    EXPECT_EQ(a.left(), 2); // 1.75
    EXPECT_EQ(a.top(), 6);  // 5.625
    const QRect b = DialogUnitsToPixels(QRect(6, 8, 5, 5), odd);
    EXPECT_EQ(a.left() + a.width(), b.left());
    EXPECT_EQ(a.top() + a.height(), b.top());
}

TEST(DialogFonts, JapaneseSystemFacesMapToIpaGothicAtDesktopPixelSizes) {
    const QFont mono = DialogFont(QStringLiteral("ＭＳ ゴシック"), 12);
    EXPECT_EQ(mono.pixelSize(), 16);
    EXPECT_EQ(QFontInfo(mono).family(), QStringLiteral("IPAGothic"));
    const QFont ui = DialogFont(QStringLiteral("MS UI Gothic"), 9);
    EXPECT_EQ(ui.pixelSize(), 12);
    EXPECT_EQ(QFontInfo(ui).family(), QStringLiteral("IPAPGothic"));

    // The monospaced face has half-width Latin letters of half the pixel size.
    const QSize base = DialogBaseUnits(mono);
    EXPECT_EQ(base.width(), 8);
    EXPECT_GE(base.height(), 16);
}

namespace {

DialogTemplate SampleDialog() {
    DialogTemplate d;
    d.id = 42;
    d.size = QSize(100, 80);
    d.caption = QStringLiteral("見本");
    d.fontName = QStringLiteral("ＭＳ ゴシック");
    d.fontPointSize = 12;
    d.controls = {
        {10, ControlKind::PushButton, QStringLiteral("1"), QRect(4, 4, 20, 10), WS_VISIBLE},
        {11, ControlKind::CheckPushButton, QStringLiteral("R"), QRect(30, 4, 12, 12), WS_VISIBLE},
        {12, ControlKind::VerticalTrackbar, {}, QRect(4, 20, 13, 50), WS_VISIBLE},
        {13, ControlKind::TabControl, {}, QRect(0, 0, 100, 13), WS_VISIBLE},
        {IDC_STATIC, ControlKind::GroupBox, QStringLiteral("Channel"), QRect(2, 2, 96, 76), WS_VISIBLE},
        {IDC_STATIC, ControlKind::Static, QStringLiteral("PAN"), QRect(40, 40, 13, 8),
         WS_VISIBLE | SS_CENTER},
        {IDCANCEL, ControlKind::PushButton, QStringLiteral("終了"), QRect(60, 60, 15, 15), 0},
        {IDOK, ControlKind::DefPushButton, QStringLiteral("OK"), QRect(60, 40, 30, 14), WS_DISABLED},
        {20, ControlKind::OwnerDrawButton, {}, QRect(50, 20, 12, 12), WS_VISIBLE},
    };
    return d;
}

} // namespace

TEST(DialogBuilder, PlacesEveryControlAndFindsItById) {
    QWidget client;
    const DialogTemplate d = SampleDialog();
    BuildDialogControls(&client, d);
    const QSize base = DialogBaseUnits(client.font());
    EXPECT_EQ(client.size(), DialogUnitsToPixels(d.size, base));

    auto* pad = GetDlgItemAs<QPushButton>(&client, 10);
    ASSERT_NE(pad, nullptr);
    EXPECT_EQ(pad->text(), QStringLiteral("1"));
    EXPECT_EQ(pad->geometry(), DialogUnitsToPixels(QRect(4, 4, 20, 10), base));
    EXPECT_FALSE(pad->isCheckable());

    auto* repeat = GetDlgItemAs<QPushButton>(&client, 11);
    ASSERT_NE(repeat, nullptr);
    EXPECT_TRUE(repeat->isCheckable());

    auto* fader = GetDlgItemAs<QSlider>(&client, 12);
    ASSERT_NE(fader, nullptr);
    EXPECT_EQ(fader->orientation(), Qt::Vertical);
    EXPECT_EQ(fader->tickPosition(), QSlider::NoTicks);
    // Like a desktop trackbar, position 0 is at the top: position 100 of 0..100 puts the handle low.
    fader->setRange(0, 100);
    fader->setValue(100);
    EXPECT_TRUE(fader->invertedAppearance());
    EXPECT_NE(GetDlgItemAs<QTabBar>(&client, 13), nullptr);
    EXPECT_EQ(GetDlgCtrlID(fader), 12);

    EXPECT_EQ(GetDlgItem(&client, 99), nullptr);
    EXPECT_EQ(GetDlgItem(&client, IDC_STATIC), nullptr);
    ASSERT_EQ(client.findChildren<QGroupBox*>().size(), 1);
    const auto labels = client.findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 1);
    EXPECT_TRUE(labels[0]->alignment() & Qt::AlignHCenter);
}

TEST(DialogBuilder, HonoursVisibilityEnablingAndDefaultButton) {
    QWidget client;
    BuildDialogControls(&client, SampleDialog());
    client.show();
    auto* cancel = GetDlgItemAs<QPushButton>(&client, IDCANCEL);
    auto* ok = GetDlgItemAs<QPushButton>(&client, IDOK);
    ASSERT_NE(cancel, nullptr);
    ASSERT_NE(ok, nullptr);
    EXPECT_FALSE(cancel->isVisible());
    EXPECT_FALSE(ok->isEnabled());
    EXPECT_TRUE(ok->isDefault());
    EXPECT_TRUE(GetDlgItem(&client, 10)->isVisible());
}

namespace {

class KnobStandIn : public QPushButton {
public:
    using QPushButton::QPushButton;
};

} // namespace

TEST(DialogBuilder, FactoryPutsCallerClassAtItsIdAndButtonsReportCommands) {
    QWidget client;
    std::vector<UINT> commands;
    BuildDialogControls(
        &client, SampleDialog(),
        [](const ControlTemplate& c, QWidget* parent) -> QWidget* {
            if (c.id == 20 || c.id == 10)
                return new KnobStandIn(parent);
            return nullptr;
        },
        [&commands](UINT id) { commands.push_back(id); });

    QWidget* knob = GetDlgItem(&client, 20);
    ASSERT_NE(dynamic_cast<KnobStandIn*>(knob), nullptr);
    // The caller's class gets the resource's text too.
    EXPECT_EQ(GetDlgItemAs<QPushButton>(&client, 10)->text(), QStringLiteral("1"));
    EXPECT_EQ(knob->geometry(), DialogUnitsToPixels(QRect(50, 20, 12, 12), DialogBaseUnits(client.font())));
    // Controls the factory declines are still built plainly.
    EXPECT_NE(GetDlgItemAs<QSlider>(&client, 12), nullptr);

    GetDlgItemAs<QPushButton>(&client, 10)->click();
    static_cast<QPushButton*>(knob)->click();
    GetDlgItemAs<QPushButton>(&client, 11)->click();
    EXPECT_EQ(commands, (std::vector<UINT>{10, 20, 11}));
    EXPECT_TRUE(GetDlgItemAs<QPushButton>(&client, 11)->isChecked());
}

TEST(DialogBuilder, FrameTakesCaptionAndMinimiseBoxFromStyle) {
    QWidget dialog;
    DialogTemplate d = SampleDialog();
    d.style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME;
    ApplyDialogFrame(&dialog, d);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("見本"));
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
}

TEST(MenuBuilder, BuildsPopupsSeparatorsAndReportsCommandIds) {
    MenuTemplate m;
    m.id = 7;
    m.popups = {
        MenuItemTemplate::Popup(QStringLiteral("ファイル(&F)"),
                                {MenuItemTemplate::Command(QStringLiteral("新規作成(&N)\tCtrl+N"), 57600),
                                 MenuItemTemplate::Separator(),
                                 MenuItemTemplate::Command(QStringLiteral("終了(&X)"), 57665)}),
        MenuItemTemplate::Popup(QStringLiteral("ヘルプ(&H)"),
                                {MenuItemTemplate::Command(QStringLiteral("バージョン情報(&A)..."), 57664)}),
    };
    std::vector<UINT> commands;
    QWidget owner;
    QMenuBar* bar = BuildMenuBar(m, &owner, [&commands](UINT id) { commands.push_back(id); });

    const auto top = bar->actions();
    ASSERT_EQ(top.size(), 2);
    EXPECT_EQ(top[0]->text(), QStringLiteral("ファイル(&F)"));
    const auto fileItems = top[0]->menu()->actions();
    ASSERT_EQ(fileItems.size(), 3);
    EXPECT_TRUE(fileItems[1]->isSeparator());

    QAction* about = FindMenuCommand(bar, 57664);
    ASSERT_NE(about, nullptr);
    about->trigger();
    FindMenuCommand(bar, 57600)->trigger();
    EXPECT_EQ(commands, (std::vector<UINT>{57664, 57600}));
    EXPECT_EQ(FindMenuCommand(bar, 1), nullptr);
}
