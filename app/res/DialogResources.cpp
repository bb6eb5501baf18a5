#include "app/res/Resources.h"

#include <array>

#include <QCoreApplication>

using platform::ControlKind;
using platform::ControlTemplate;
using platform::DialogTemplate;

namespace {

constexpr DWORD kVisible = platform::WS_VISIBLE;

ControlTemplate Control(int id, ControlKind kind, const QString& text, int x, int y, int w, int h,
                        DWORD style = kVisible) {
    return ControlTemplate{id, kind, text, QRect(x, y, w, h), style};
}

DialogTemplate MakeAboutBox() {
    DialogTemplate d;
    d.trContext = "IDD_ABOUTBOX";
    d.id = IDD_ABOUTBOX;
    d.size = QSize(170, 62);
    d.caption = QT_TRANSLATE_NOOP("IDD_ABOUTBOX", "バージョン情報 Padora");
    d.fontName = QStringLiteral("MS UI Gothic");
    d.fontPointSize = 9;
    d.style = platform::WS_CAPTION | platform::WS_SYSMENU | platform::DS_MODALFRAME;
    d.controls = {
        Control(platform::IDC_STATIC, ControlKind::Icon, QString::number(IDR_MAINFRAME), 14, 14, 21, 20),
        Control(platform::IDC_STATIC, ControlKind::Static, QString::fromLatin1(kVersionText), 42, 14, 119, 8),
        Control(platform::IDC_STATIC, ControlKind::Static,
                QT_TRANSLATE_NOOP("IDD_ABOUTBOX", "Linux 版 ライブ用サウンドボード"), 42, 26, 119, 8),
        Control(platform::IDOK, ControlKind::DefPushButton, QStringLiteral("OK"), 113, 41, 50, 14),
    };
    return d;
}

DialogTemplate MakeMainDialog() {
    // Left edge of each channel strip.
    constexpr std::array<int, 10> kStripX = {6, 40, 74, 108, 143, 178, 212, 247, 282, 317};
    static const std::array<QString, 10> kPadText = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "0"};

    DialogTemplate d;
    d.trContext = "IDD_PADORA_DIALOG";
    d.id = IDD_PADORA_DIALOG;
    d.size = QSize(397, 313);
    d.caption = QStringLiteral("Padora");
    d.fontName = QStringLiteral("ＭＳ ゴシック");
    d.fontPointSize = 12;
    d.style =
        platform::WS_CAPTION | platform::WS_SYSMENU | platform::WS_MINIMIZEBOX | platform::DS_MODALFRAME;
    d.menuId = IDR_MAINDLG_MENU;

    auto& c = d.controls;
    c.push_back(Control(IDC_TAB_GROUP, ControlKind::TabControl, {}, 0, 0, 397, 13));
    c.push_back(Control(IDC_LIST_MONITOR, ControlKind::ListView, {}, 3, 18, 391, 134));
    c.push_back(
        Control(platform::IDC_STATIC, ControlKind::GroupBox, QStringLiteral("Channel"), 3, 155, 351, 155));
    c.push_back(
        Control(platform::IDC_STATIC, ControlKind::GroupBox, QStringLiteral("Master"), 356, 155, 38, 155));
    for (int i = 0; i < 10; ++i) {
        const int x = kStripX[i];
        c.push_back(Control(IDC_PAD1 + i, ControlKind::PushButton, kPadText[i], x, 278, 32, 29));
        c.push_back(Control(IDC_FADER1 + i, ControlKind::VerticalTrackbar, {}, x + 2, 165, 13, 112));
        c.push_back(
            Control(IDC_REPEAT1 + i, ControlKind::CheckPushButton, QStringLiteral("R"), x + 20, 168, 12, 12));
        c.push_back(Control(IDC_FADEIN1 + i, ControlKind::CheckPushButton, QStringLiteral("FI"), x + 20, 181,
                            12, 12));
        c.push_back(Control(IDC_FADEOUT1 + i, ControlKind::CheckPushButton, QStringLiteral("FO"), x + 20, 194,
                            12, 12));
        c.push_back(
            Control(platform::IDC_STATIC, ControlKind::Static, QStringLiteral("SPD"), x + 20, 225, 13, 8));
        c.push_back(Control(IDC_SPEED1 + i, ControlKind::OwnerDrawButton, {}, x + 20, 234, 12, 12));
        c.push_back(
            Control(platform::IDC_STATIC, ControlKind::Static, QStringLiteral("PAN"), x + 20, 250, 13, 8));
        c.push_back(Control(IDC_PAN1 + i, ControlKind::OwnerDrawButton, {}, x + 20, 259, 12, 12));
    }
    c.push_back(Control(IDC_MASTER, ControlKind::VerticalTrackbar, {}, 368, 165, 13, 112));
    c.push_back(Control(IDC_ALLSTOP, ControlKind::PushButton,
                        QT_TRANSLATE_NOOP("IDD_PADORA_DIALOG", "全停止"), 359, 278, 32, 29));
    c.push_back(Control(platform::IDCANCEL, ControlKind::PushButton,
                        QT_TRANSLATE_NOOP("IDD_PADORA_DIALOG", "終了"), 361, 118, 15, 15, 0));
    c.push_back(Control(platform::IDOK, ControlKind::DefPushButton, QStringLiteral("OK"), 320, 72, 50, 14,
                        platform::WS_DISABLED));
    return d;
}

DialogTemplate MakeLoadProcDialog() {
    DialogTemplate d;
    d.trContext = "IDD_LOADPROC_DIALOG";
    d.id = IDD_LOADPROC_DIALOG;
    d.size = QSize(190, 44);
    d.caption = QT_TRANSLATE_NOOP("IDD_LOADPROC_DIALOG", "サウンドファイル読み込み中...");
    d.fontName = QStringLiteral("ＭＳ ゴシック");
    d.fontPointSize = 12;
    d.style = platform::WS_CAPTION | platform::WS_SYSMENU | platform::DS_MODALFRAME;
    d.controls = {
        Control(platform::IDC_STATIC, ControlKind::Static,
                QT_TRANSLATE_NOOP("IDD_LOADPROC_DIALOG",
                                  "サウンドファイルを読み込んでいます。\nしばらくお待ちください。"),
                25, 5, 159, 17),
        Control(IDC_LOADPROC_ICON, ControlKind::Icon, {}, 3, 5, 20, 20),
        Control(IDC_LOADPROC_PROGRESS, ControlKind::ProgressBar, {}, 25, 25, 162, 14),
        Control(platform::IDOK, ControlKind::DefPushButton, QStringLiteral("OK"), 0, 0, 0, 0,
                platform::WS_DISABLED),
        Control(platform::IDCANCEL, ControlKind::PushButton,
                QT_TRANSLATE_NOOP("IDD_LOADPROC_DIALOG", "ｷｬﾝｾﾙ"), 0, 0, 0, 0, platform::WS_DISABLED),
    };
    return d;
}

} // namespace

const DialogTemplate* FindDialogResource(int id) {
    static const DialogTemplate kAbout = MakeAboutBox();
    static const DialogTemplate kMain = MakeMainDialog();
    static const DialogTemplate kLoadProc = MakeLoadProcDialog();
    switch (id) {
    case IDD_ABOUTBOX:
        return &kAbout;
    case IDD_PADORA_DIALOG:
        return &kMain;
    case IDD_LOADPROC_DIALOG:
        return &kLoadProc;
    default:
        return FindEditDialogResource(id);
    }
}
