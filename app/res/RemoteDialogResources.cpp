#include "app/res/Resources.h"

#include <QCoreApplication>

using platform::ControlKind;
using platform::ControlTemplate;
using platform::DialogTemplate;

namespace {

constexpr DWORD kVisible = platform::WS_VISIBLE;
constexpr int kStatic = platform::IDC_STATIC;
const QString kDialogFont = QStringLiteral("ＭＳ ゴシック");
constexpr int kDialogFontSize = 12;
constexpr int kRoles = 22;
constexpr int kRowsPerColumn = 11;
constexpr int kRowTop = 82;
constexpr int kRowStep = 10;
constexpr int kRowHeight = 10;

ControlTemplate Control(int id, ControlKind kind, const QString& text, int x, int y, int w, int h,
                        DWORD style = kVisible) {
    return ControlTemplate{id, kind, text, QRect(x, y, w, h), style};
}

// A role's label in the user's language, made when the page's resource is first looked up (after the
// program's language is chosen): the numbered names are one text each, not one per number.
QString RoleName(int role) {
    constexpr const char* kContext = "IDD_OPTION_PAGE5";
    if (role < 10)
        return QCoreApplication::translate(kContext, QT_TRANSLATE_NOOP("IDD_OPTION_PAGE5", "パッド%1"))
            .arg(role + 1);
    if (role == 10)
        return QCoreApplication::translate(kContext, QT_TRANSLATE_NOOP("IDD_OPTION_PAGE5", "停止"));
    if (role < 21)
        return QCoreApplication::translate(kContext, QT_TRANSLATE_NOOP("IDD_OPTION_PAGE5", "フェーダー%1"))
            .arg(role - 10);
    return QCoreApplication::translate(kContext, QT_TRANSLATE_NOOP("IDD_OPTION_PAGE5", "マスター"));
}

// Page "リモート" of the options: the MIDI ports, the OSC port and address, the browser remote's port,
// address, URL and pairing code, and a learn button per role (pads and the stop note on the left,
// faders and the master on the right).
DialogTemplate MakeRemotePage() {
    DialogTemplate d;
    d.trContext = "IDD_OPTION_PAGE5";
    d.id = IDD_OPTION_PAGE5;
    d.size = QSize(287, 213);
    d.fontName = kDialogFont;
    d.fontPointSize = kDialogFontSize;
    d.style = 0;
    auto& c = d.controls;
    c.push_back(
        Control(platform::IDOK, ControlKind::DefPushButton, QStringLiteral("OK"), 176, 192, 50, 14, 0));
    c.push_back(Control(platform::IDCANCEL, ControlKind::PushButton,
                        QT_TRANSLATE_NOOP("IDD_OPTION_PAGE5", "ｷｬﾝｾﾙ"), 230, 192, 50, 14, 0));
    c.push_back(Control(kStatic, ControlKind::Static, QT_TRANSLATE_NOOP("IDD_OPTION_PAGE5", "MIDI 入力"), 6,
                        7, 42, 8));
    c.push_back(
        Control(IDC_OPT5_MIDI, ControlKind::Static, {}, 52, 5, 228, 12, kVisible | platform::SS_SUNKEN));
    c.push_back(Control(kStatic, ControlKind::Static, QT_TRANSLATE_NOOP("IDD_OPTION_PAGE5", "OSC ポート"), 6,
                        25, 42, 8));
    c.push_back(Control(IDC_OPT5_OSCPORT, ControlKind::Edit, {}, 52, 22, 34, 14,
                        kVisible | platform::ES_NUMBER | platform::ES_RIGHT));
    c.push_back(Control(kStatic, ControlKind::Static, QT_TRANSLATE_NOOP("IDD_OPTION_PAGE5", "(0 で使わない)"),
                        90, 25, 60, 8));
    c.push_back(Control(kStatic, ControlKind::Static,
                        QT_TRANSLATE_NOOP("IDD_OPTION_PAGE5", "待ち受けアドレス"), 154, 25, 66, 8));
    c.push_back(Control(IDC_OPT5_OSCBIND, ControlKind::Edit, {}, 222, 22, 58, 14));
    c.push_back(Control(kStatic, ControlKind::Static, QT_TRANSLATE_NOOP("IDD_OPTION_PAGE5", "Web ポート"), 6,
                        41, 42, 8));
    c.push_back(Control(IDC_OPT5_WEBPORT, ControlKind::Edit, {}, 52, 38, 34, 14,
                        kVisible | platform::ES_NUMBER | platform::ES_RIGHT));
    c.push_back(Control(kStatic, ControlKind::Static, QT_TRANSLATE_NOOP("IDD_OPTION_PAGE5", "(0 で使わない)"),
                        90, 41, 60, 8));
    c.push_back(Control(kStatic, ControlKind::Static,
                        QT_TRANSLATE_NOOP("IDD_OPTION_PAGE5", "待ち受けアドレス"), 154, 41, 66, 8));
    c.push_back(Control(IDC_OPT5_WEBBIND, ControlKind::Edit, {}, 222, 38, 58, 14));
    c.push_back(
        Control(IDC_OPT5_WEBURL, ControlKind::Static, {}, 6, 55, 182, 12, kVisible | platform::SS_SUNKEN));
    c.push_back(Control(IDC_OPT5_WEBQR, ControlKind::PushButton,
                        QT_TRANSLATE_NOOP("IDD_OPTION_PAGE5", "QR..."), 190, 54, 26, 14));
    c.push_back(Control(IDC_OPT5_WEBREVOKE, ControlKind::PushButton,
                        QT_TRANSLATE_NOOP("IDD_OPTION_PAGE5", "登録を解除"), 218, 54, 62, 14));
    c.push_back(Control(kStatic, ControlKind::Static,
                        QT_TRANSLATE_NOOP("IDD_OPTION_PAGE5", "MIDI の割り当て (学習を押してから機器を操作)"),
                        6, 71, 200, 8));
    for (int role = 0; role < kRoles; ++role) {
        const int x = role < kRowsPerColumn ? 6 : 146;
        const int y = kRowTop + (role % kRowsPerColumn) * kRowStep;
        c.push_back(Control(kStatic, ControlKind::Static, RoleName(role), x, y + 1, 44, 8));
        c.push_back(Control(IDC_OPT5_BINDING1 + role, ControlKind::Static, {}, x + 46, y, 52, kRowHeight,
                            kVisible | platform::SS_SUNKEN));
        c.push_back(Control(IDC_OPT5_LEARN1 + role, ControlKind::PushButton,
                            QT_TRANSLATE_NOOP("IDD_OPTION_PAGE5", "学習"), x + 100, y, 30, kRowHeight));
    }
    return d;
}

// Where a phone's browser is pointed: the address and code in words, the address as a QR code below
// them (a square large enough for a phone's camera across a desk).
DialogTemplate MakeWebRemoteDialog() {
    DialogTemplate d;
    d.trContext = "IDD_WEB_REMOTE";
    d.id = IDD_WEB_REMOTE;
    d.size = QSize(200, 186);
    d.caption = QT_TRANSLATE_NOOP("IDD_WEB_REMOTE", "ブラウザ リモート");
    d.fontName = QStringLiteral("MS UI Gothic");
    d.fontPointSize = 9;
    d.style = platform::WS_CAPTION | platform::WS_SYSMENU | platform::DS_MODALFRAME;
    d.controls = {
        Control(IDC_WEBREMOTE_TEXT, ControlKind::Static, {}, 7, 7, 186, 36),
        Control(IDC_WEBREMOTE_QR, ControlKind::Icon, {}, 43, 46, 114, 114),
        Control(platform::IDOK, ControlKind::DefPushButton, QStringLiteral("OK"), 75, 165, 50, 14),
    };
    return d;
}

} // namespace

const DialogTemplate* FindRemoteDialogResource(int id) {
    static const DialogTemplate kRemotePage = MakeRemotePage();
    static const DialogTemplate kWebRemote = MakeWebRemoteDialog();
    switch (id) {
    case IDD_OPTION_PAGE5:
        return &kRemotePage;
    case IDD_WEB_REMOTE:
        return &kWebRemote;
    default:
        return nullptr;
    }
}
