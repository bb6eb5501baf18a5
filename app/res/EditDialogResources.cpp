#include "app/res/Resources.h"

#include "platform/CodePage.h"

#include <algorithm>

#include <QCoreApplication>

using platform::ControlKind;
using platform::ControlTemplate;
using platform::DialogTemplate;

namespace {

constexpr DWORD kVisible = platform::WS_VISIBLE;
constexpr DWORD kHidden = 0;
constexpr int kStatic = platform::IDC_STATIC;
constexpr int kLabelHeight = 8;
// A half-width character of the dialog font is 4 dialog units wide, a full-width one 8.
constexpr int kUnitsPerByte = 4;
constexpr int kKeyFieldWidth = 72;
constexpr int kKeyFieldHeight = 14;

const QString kDialogFont = QStringLiteral("ＭＳ ゴシック");
constexpr int kDialogFontSize = 12;
constexpr DWORD kPopupStyle = platform::WS_CAPTION | platform::WS_SYSMENU | platform::DS_MODALFRAME;

ControlTemplate Control(int id, ControlKind kind, const QString& text, int x, int y, int w, int h,
                        DWORD style = kVisible) {
    return ControlTemplate{id, kind, text, QRect(x, y, w, h), style};
}

// A one-line label as wide as its text, in the wider of its source and its translation (from the
// dialog's context) so that the label holds the text the user reads.
ControlTemplate Label(const char* context, const QString& text, int x, int y) {
    const int bytes =
        std::max(platform::Cp932Length(text), platform::Cp932Length(platform::TranslatedText(context, text)));
    return Control(kStatic, ControlKind::Static, text, x, y, bytes * kUnitsPerByte + 2, kLabelHeight);
}

ControlTemplate KeyField(int id, int x, int y, DWORD style = kVisible) {
    return Control(id, ControlKind::Edit, {}, x, y, kKeyFieldWidth, kKeyFieldHeight, style);
}

DialogTemplate Popup(int id, int cx, int cy, const QString& caption) {
    DialogTemplate d;
    d.id = id;
    d.size = QSize(cx, cy);
    d.caption = caption;
    d.fontName = kDialogFont;
    d.fontPointSize = kDialogFontSize;
    d.style = kPopupStyle;
    return d;
}

DialogTemplate MakeChannelEdit() {
    DialogTemplate d =
        Popup(IDD_CHANNEL_EDIT, 224, 141, QT_TRANSLATE_NOOP("IDD_CHANNEL_EDIT", "チャンネル編集"));
    d.trContext = "IDD_CHANNEL_EDIT";
    d.controls = {
        Label(d.trContext, QT_TRANSLATE_NOOP("IDD_CHANNEL_EDIT", "チャンネル"), 4, 7),
        Control(IDC_CHEDIT_NUMBER, ControlKind::Static, {}, 46, 4, 28, 14,
                kVisible | platform::SS_CENTER | platform::SS_SUNKEN),
        Label(d.trContext, QT_TRANSLATE_NOOP("IDD_CHANNEL_EDIT", "タイトル"), 4, 23),
        Control(IDC_CHEDIT_TITLE, ControlKind::Edit, {}, 46, 21, 137, 14),
        Label(d.trContext, QT_TRANSLATE_NOOP("IDD_CHANNEL_EDIT", "ファイル"), 4, 40),
        Control(IDC_CHEDIT_FILE, ControlKind::Edit, {}, 46, 38, 137, 14, kVisible | platform::ES_READONLY),
        Control(IDC_CHEDIT_BROWSE, ControlKind::PushButton, QT_TRANSLATE_NOOP("IDD_CHANNEL_EDIT", "参照"),
                185, 38, 30, 14),
        Label(d.trContext, QT_TRANSLATE_NOOP("IDD_CHANNEL_EDIT", "FI時間(秒)"), 4, 58),
        Control(IDC_CHEDIT_FADEIN, ControlKind::Edit, {}, 46, 56, 33, 14,
                kVisible | platform::ES_NUMBER | platform::ES_RIGHT),
        Label(d.trContext, QT_TRANSLATE_NOOP("IDD_CHANNEL_EDIT", "FO時間(秒)"), 88, 58),
        Control(IDC_CHEDIT_FADEOUT, ControlKind::Edit, {}, 130, 56, 33, 14,
                kVisible | platform::ES_NUMBER | platform::ES_RIGHT),
        Control(IDC_CHEDIT_LOUDNESS, ControlKind::CheckBox,
                QT_TRANSLATE_NOOP("IDD_CHANNEL_EDIT", "ラウドネスを合わせる"), 4, 75, 100, 10),
        Label(d.trContext, QT_TRANSLATE_NOOP("IDD_CHANNEL_EDIT", "測定値"), 112, 75),
        Control(IDC_CHEDIT_LUFS, ControlKind::Static, {}, 140, 73, 75, 14,
                kVisible | platform::SS_CENTER | platform::SS_SUNKEN),
        Label(d.trContext, QT_TRANSLATE_NOOP("IDD_CHANNEL_EDIT", "出力"), 4, 93),
        Control(IDC_CHEDIT_OUTPUT, ControlKind::ComboBox, {}, 46, 90, 110, 90),
        Control(IDC_CHEDIT_AUDITION, ControlKind::PushButton, QT_TRANSLATE_NOOP("IDD_CHANNEL_EDIT", "試聴"),
                165, 90, 50, 14),
        Control(kStatic, ControlKind::Static, {}, 4, 109, 216, 1, kVisible | platform::SS_BLACKFRAME),
        Control(platform::IDOK, ControlKind::DefPushButton, QT_TRANSLATE_NOOP("IDD_CHANNEL_EDIT", "設定"),
                112, 115, 50, 20),
        Control(platform::IDCANCEL, ControlKind::PushButton, QT_TRANSLATE_NOOP("IDD_CHANNEL_EDIT", "ｷｬﾝｾﾙ"),
                167, 115, 50, 20),
    };
    return d;
}

DialogTemplate MakeGroupDlg() {
    DialogTemplate d = Popup(IDD_GROUP_DLG, 325, 207, QT_TRANSLATE_NOOP("IDD_GROUP_DLG", "グループの編集"));
    d.trContext = "IDD_GROUP_DLG";
    d.controls = {
        Label(d.trContext, QT_TRANSLATE_NOOP("IDD_GROUP_DLG", "グループ"), 6, 7),
        Control(IDC_GROUPDLG_COMBO, ControlKind::ComboBox, {}, 46, 5, 148, 102),
        Control(IDC_GROUPDLG_GROUPS, ControlKind::PushButton,
                QT_TRANSLATE_NOOP("IDD_GROUP_DLG", "グループ編集"), 197, 4, 69, 14),
        Control(IDC_GROUPDLG_LIST, ControlKind::ListView, {}, 5, 22, 261, 180),
        Control(IDC_GROUPDLG_EDIT, ControlKind::PushButton, QT_TRANSLATE_NOOP("IDD_GROUP_DLG", "編集"), 270,
                22, 50, 20),
        Control(IDC_GROUPDLG_CLEAR, ControlKind::PushButton, QT_TRANSLATE_NOOP("IDD_GROUP_DLG", "削除"), 270,
                46, 50, 20),
        Control(platform::IDOK, ControlKind::DefPushButton, QStringLiteral("OK"), 270, 157, 50, 20),
        Control(platform::IDCANCEL, ControlKind::PushButton, QT_TRANSLATE_NOOP("IDD_GROUP_DLG", "ｷｬﾝｾﾙ"), 270,
                182, 50, 20),
    };
    return d;
}

DialogTemplate MakeGroupEdit() {
    DialogTemplate d = Popup(IDD_GROUP_EDIT, 154, 172, QT_TRANSLATE_NOOP("IDD_GROUP_EDIT", "グループの編集"));
    d.trContext = "IDD_GROUP_EDIT";
    d.controls = {
        Control(IDC_GROUPEDIT_LIST, ControlKind::ListBox, {}, 5, 5, 90, 162),
        Control(IDC_GROUPEDIT_ADD, ControlKind::PushButton, QT_TRANSLATE_NOOP("IDD_GROUP_EDIT", "追加"), 99,
                5, 50, 20),
        Control(IDC_GROUPEDIT_RENAME, ControlKind::PushButton, QT_TRANSLATE_NOOP("IDD_GROUP_EDIT", "変更"),
                99, 28, 50, 20),
        Control(IDC_GROUPEDIT_DELETE, ControlKind::PushButton, QT_TRANSLATE_NOOP("IDD_GROUP_EDIT", "削除"),
                99, 50, 50, 20),
        Control(IDC_GROUPEDIT_UP, ControlKind::PushButton, QT_TRANSLATE_NOOP("IDD_GROUP_EDIT", "上へ"), 99,
                76, 50, 20),
        Control(IDC_GROUPEDIT_DOWN, ControlKind::PushButton, QT_TRANSLATE_NOOP("IDD_GROUP_EDIT", "下へ"), 99,
                98, 50, 20),
        Control(platform::IDOK, ControlKind::DefPushButton, QStringLiteral("OK"), 99, 125, 50, 20,
                kHidden | platform::WS_DISABLED),
        Control(platform::IDCANCEL, ControlKind::PushButton, QT_TRANSLATE_NOOP("IDD_GROUP_EDIT", "終了"), 99,
                147, 50, 20),
    };
    return d;
}

DialogTemplate MakeGroupInp() {
    DialogTemplate d = Popup(IDD_GROUP_INP, 154, 61, QT_TRANSLATE_NOOP("IDD_GROUP_INP", "グループ名編集"));
    d.trContext = "IDD_GROUP_INP";
    d.controls = {
        Label(d.trContext, QT_TRANSLATE_NOOP("IDD_GROUP_INP", "グループ名"), 5, 5),
        Control(IDC_GROUPINP_NAME, ControlKind::Edit, {}, 6, 16, 143, 14),
        Control(platform::IDOK, ControlKind::DefPushButton, QStringLiteral("OK"), 45, 35, 50, 20),
        Control(platform::IDCANCEL, ControlKind::PushButton, QT_TRANSLATE_NOOP("IDD_GROUP_INP", "ｷｬﾝｾﾙ"), 97,
                35, 50, 20),
    };
    return d;
}

DialogTemplate MakeOption() {
    DialogTemplate d = Popup(IDD_OPTION, 344, 258, QT_TRANSLATE_NOOP("IDD_OPTION", "設定"));
    d.trContext = "IDD_OPTION";
    d.controls = {
        Control(platform::IDOK, ControlKind::DefPushButton, QStringLiteral("OK"), 235, 235, 50, 20),
        Control(platform::IDCANCEL, ControlKind::PushButton, QT_TRANSLATE_NOOP("IDD_OPTION", "ｷｬﾝｾﾙ"), 289,
                235, 50, 20),
        Control(IDC_OPTION_TAB, ControlKind::TabControl, {}, 3, 3, 338, 228),
    };
    return d;
}

// A page of the options dialog: a child without caption, with an invisible OK and Cancel of its own.
DialogTemplate Page(int id) {
    DialogTemplate d;
    d.id = id;
    d.size = QSize(287, 213);
    d.fontName = kDialogFont;
    d.fontPointSize = kDialogFontSize;
    d.style = 0;
    d.controls = {
        Control(platform::IDOK, ControlKind::DefPushButton, QStringLiteral("OK"), 176, 192, 50, 14, kHidden),
        Control(platform::IDCANCEL, ControlKind::PushButton, QStringLiteral("ｷｬﾝｾﾙ"), 230, 192, 50, 14,
                kHidden),
    };
    return d;
}

DialogTemplate MakeOptionPage1() {
    DialogTemplate d = Page(IDD_OPTION_PAGE1);
    d.trContext = "IDD_OPTION_PAGE1";
    auto& c = d.controls;
    c.push_back(Control(kStatic, ControlKind::GroupBox,
                        QT_TRANSLATE_NOOP("IDD_OPTION_PAGE1", "チャンネルキー"), 7, 7, 189, 113));
    constexpr int kRowY[5] = {18, 35, 52, 69, 85};
    for (int i = 0; i < 5; ++i) {
        c.push_back(Label(d.trContext, QString::number(i + 1), 16, kRowY[i] + 3));
        c.push_back(KeyField(IDC_OPT1_KEY1 + i, 24, kRowY[i]));
    }
    for (int i = 0; i < 4; ++i) {
        c.push_back(Label(d.trContext, QString::number(i + 6), 109, kRowY[i] + 3));
        c.push_back(KeyField(IDC_OPT1_KEY1 + 5 + i, 117, kRowY[i]));
    }
    c.push_back(Label(d.trContext, QStringLiteral("0"), 109, 88));
    c.push_back(KeyField(IDC_OPT1_KEY1 + 9, 117, 85));
    c.push_back(Label(d.trContext, QStringLiteral("Master"), 89, 104));
    c.push_back(KeyField(IDC_OPT1_MASTER, 117, 101));
    return d;
}

DialogTemplate MakeOptionPage2() {
    DialogTemplate d = Page(IDD_OPTION_PAGE2);
    d.trContext = "IDD_OPTION_PAGE2";
    const QString holdText = QT_TRANSLATE_NOOP("IDD_OPTION_PAGE2", "を押しながらチャンネルキー");
    auto& c = d.controls;
    c.push_back(Label(d.trContext, QT_TRANSLATE_NOOP("IDD_OPTION_PAGE2", "個別停止"), 12, 9));
    c.push_back(KeyField(IDC_OPT2_STOP, 73, 6, kVisible | platform::ES_READONLY));
    c.push_back(Label(d.trContext, holdText, 149, 9));
    c.push_back(Label(d.trContext, QT_TRANSLATE_NOOP("IDD_OPTION_PAGE2", "全停止"), 12, 25));
    c.push_back(KeyField(IDC_OPT2_ALLSTOP, 73, 22));
    c.push_back(Label(d.trContext, QT_TRANSLATE_NOOP("IDD_OPTION_PAGE2", "グループ移動"), 12, 41));
    c.push_back(Label(d.trContext, QT_TRANSLATE_NOOP("IDD_OPTION_PAGE2", "前"), 63, 41));
    c.push_back(KeyField(IDC_OPT2_GRPBACK, 73, 38));
    c.push_back(Label(d.trContext, QT_TRANSLATE_NOOP("IDD_OPTION_PAGE2", "次"), 154, 41));
    c.push_back(KeyField(IDC_OPT2_GRPNEXT, 164, 38));
    c.push_back(Label(d.trContext, QT_TRANSLATE_NOOP("IDD_OPTION_PAGE2", "音量アップ"), 12, 58));
    c.push_back(KeyField(IDC_OPT2_VOLUP, 73, 55));
    c.push_back(Label(d.trContext, holdText, 149, 58));
    c.push_back(Label(d.trContext, QT_TRANSLATE_NOOP("IDD_OPTION_PAGE2", "音量ダウン"), 12, 74));
    c.push_back(KeyField(IDC_OPT2_VOLDOWN, 73, 71));
    c.push_back(Label(d.trContext, holdText, 149, 74));
    c.push_back(Control(IDC_OPT2_VOLVAL, ControlKind::Edit, {}, 134, 87, 19, 14,
                        kVisible | platform::ES_NUMBER | platform::ES_RIGHT));
    c.push_back(Label(d.trContext, QT_TRANSLATE_NOOP("IDD_OPTION_PAGE2", "(音量の増減量)"), 157, 90));
    c.push_back(Control(kStatic, ControlKind::GroupBox, {}, 5, 179, 261, 28));
    c.push_back(
        Control(IDC_OPT2_GETNOACTIVE, ControlKind::CheckBox,
                QT_TRANSLATE_NOOP("IDD_OPTION_PAGE2", "他ウインドウがアクティブ時にキー入力を取得する。"), 12,
                179, 208, 10));
    c.push_back(Label(d.trContext, QT_TRANSLATE_NOOP("IDD_OPTION_PAGE2", "取得範囲"), 24, 192));
    c.push_back(Control(IDC_OPT2_GETNAKEY, ControlKind::CheckBox,
                        QT_TRANSLATE_NOOP("IDD_OPTION_PAGE2", "再生"), 64, 191, 32, 10));
    c.push_back(Control(IDC_OPT2_GETNASTOP, ControlKind::CheckBox,
                        QT_TRANSLATE_NOOP("IDD_OPTION_PAGE2", "停止"), 114, 191, 32, 10));
    c.push_back(Control(IDC_OPT2_GETNAGRP, ControlKind::CheckBox,
                        QT_TRANSLATE_NOOP("IDD_OPTION_PAGE2", "グループ移動"), 164, 191, 64, 10));
    return d;
}

DialogTemplate MakeOptionPage3() {
    DialogTemplate d = Page(IDD_OPTION_PAGE3);
    d.trContext = "IDD_OPTION_PAGE3";
    d.controls.push_back(
        Control(IDC_OPT3_RELATIVE, ControlKind::CheckBox,
                QT_TRANSLATE_NOOP("IDD_OPTION_PAGE3", "ファイルの位置を、PDGファイルからの相対パスで保存"), 5,
                5, 212, 10));
    d.controls.push_back(
        Label(d.trContext,
              QT_TRANSLATE_NOOP("IDD_OPTION_PAGE3",
                                "(※PDGファイルと同一のドライブにサウンドファイルを置いてください。)"),
              17, 19));
    d.controls.push_back(Control(
        IDC_OPT3_KEEPPLAYING, ControlKind::CheckBox,
        QT_TRANSLATE_NOOP("IDD_OPTION_PAGE3", "グループを切り替えても再生中の音を止めない"), 5, 39, 212, 10));
    d.controls.push_back(Label(d.trContext, QT_TRANSLATE_NOOP("IDD_OPTION_PAGE3", "表示言語"), 5, 62));
    d.controls.push_back(Control(IDC_OPT3_LANGUAGE, ControlKind::ComboBox, {}, 58, 59, 130, 60));
    d.controls.push_back(
        Label(d.trContext, QT_TRANSLATE_NOOP("IDD_OPTION_PAGE3", "(次回の起動から有効)"), 192, 62));
    return d;
}

DialogTemplate MakeOptionPage4() {
    DialogTemplate d = Page(IDD_OPTION_PAGE4);
    d.trContext = "IDD_OPTION_PAGE4";
    auto& c = d.controls;
    c.push_back(Label(d.trContext, QT_TRANSLATE_NOOP("IDD_OPTION_PAGE4", "出力デバイス"), 5, 9));
    c.push_back(Control(IDC_OPT4_DEVICE, ControlKind::ComboBox, {}, 58, 6, 224, 120));
    c.push_back(Label(d.trContext, QT_TRANSLATE_NOOP("IDD_OPTION_PAGE4", "バッファ"), 5, 27));
    c.push_back(Control(IDC_OPT4_PERIOD, ControlKind::ComboBox, {}, 58, 24, 48, 90));
    c.push_back(Label(d.trContext, QT_TRANSLATE_NOOP("IDD_OPTION_PAGE4", "フレーム"), 110, 27));
    c.push_back(Label(d.trContext, QT_TRANSLATE_NOOP("IDD_OPTION_PAGE4", "出力ペア"), 150, 27));
    c.push_back(Control(IDC_OPT4_PAIRS, ControlKind::ComboBox, {}, 190, 24, 40, 90));
    c.push_back(Control(IDC_OPT4_TEST, ControlKind::PushButton,
                        QT_TRANSLATE_NOOP("IDD_OPTION_PAGE4", "テスト"), 58, 44, 50, 14));
    c.push_back(Control(IDC_OPT4_NOTE, ControlKind::Static, {}, 5, 66, 277, 40));
    c.push_back(Label(d.trContext, QT_TRANSLATE_NOOP("IDD_OPTION_PAGE4", "試聴デバイス"), 5, 115));
    c.push_back(Control(IDC_OPT4_CUEDEVICE, ControlKind::ComboBox, {}, 58, 112, 224, 120));
    c.push_back(Label(d.trContext, QT_TRANSLATE_NOOP("IDD_OPTION_PAGE4", "試聴ペア"), 5, 133));
    c.push_back(Control(IDC_OPT4_CUEPAIR, ControlKind::ComboBox, {}, 58, 130, 48, 90));
    c.push_back(Label(d.trContext, QT_TRANSLATE_NOOP("IDD_OPTION_PAGE4", "試聴キー"), 150, 133));
    c.push_back(Control(IDC_OPT4_CUEKEY, ControlKind::ComboBox, {}, 190, 130, 48, 90));
    return d;
}

} // namespace

const DialogTemplate* FindEditDialogResource(int id) {
    static const DialogTemplate kChannelEdit = MakeChannelEdit();
    static const DialogTemplate kGroupDlg = MakeGroupDlg();
    static const DialogTemplate kGroupEdit = MakeGroupEdit();
    static const DialogTemplate kGroupInp = MakeGroupInp();
    static const DialogTemplate kOption = MakeOption();
    static const DialogTemplate kPage1 = MakeOptionPage1();
    static const DialogTemplate kPage2 = MakeOptionPage2();
    static const DialogTemplate kPage3 = MakeOptionPage3();
    static const DialogTemplate kPage4 = MakeOptionPage4();
    switch (id) {
    case IDD_CHANNEL_EDIT:
        return &kChannelEdit;
    case IDD_GROUP_DLG:
        return &kGroupDlg;
    case IDD_GROUP_EDIT:
        return &kGroupEdit;
    case IDD_GROUP_INP:
        return &kGroupInp;
    case IDD_OPTION:
        return &kOption;
    case IDD_OPTION_PAGE1:
        return &kPage1;
    case IDD_OPTION_PAGE2:
        return &kPage2;
    case IDD_OPTION_PAGE3:
        return &kPage3;
    case IDD_OPTION_PAGE4:
        return &kPage4;
    default:
        return FindRemoteDialogResource(id);
    }
}
