#include "app/res/Resources.h"

#include <QCoreApplication>

using platform::MenuItemTemplate;
using platform::MenuTemplate;

namespace {

MenuTemplate MakeMainDialogMenu() {
    MenuTemplate m;
    m.trContext = "IDR_MAINDLG_MENU";
    m.id = IDR_MAINDLG_MENU;
    m.popups = {
        MenuItemTemplate::Popup(
            QT_TRANSLATE_NOOP("IDR_MAINDLG_MENU", "ファイル(&F)"),
            {MenuItemTemplate::Command(QT_TRANSLATE_NOOP("IDR_MAINDLG_MENU", "新規作成(&N)\tCtrl+N"),
                                       ID_FILE_NEW),
             MenuItemTemplate::Command(QT_TRANSLATE_NOOP("IDR_MAINDLG_MENU", "開く(&O)...\tCtrl+O"),
                                       ID_FILE_OPEN),
             MenuItemTemplate::Command(QT_TRANSLATE_NOOP("IDR_MAINDLG_MENU", "上書き保存(&S)\tCtrl+S"),
                                       ID_FILE_SAVE),
             MenuItemTemplate::Command(QT_TRANSLATE_NOOP("IDR_MAINDLG_MENU", "名前を付けて保存(&A)..."),
                                       ID_FILE_SAVE_AS),
             MenuItemTemplate::Command(QT_TRANSLATE_NOOP("IDR_MAINDLG_MENU", "収集して保存(&C)..."),
                                       ID_FILE_COLLECT),
             MenuItemTemplate::Separator(),
             MenuItemTemplate::Command(QT_TRANSLATE_NOOP("IDR_MAINDLG_MENU", "アプリケーションの終了(&X)"),
                                       ID_APP_EXIT)}),
        MenuItemTemplate::Popup(
            QT_TRANSLATE_NOOP("IDR_MAINDLG_MENU", "編集(&E)"),
            {MenuItemTemplate::Command(QT_TRANSLATE_NOOP("IDR_MAINDLG_MENU", "グループの編集(&G)"),
                                       ID_GROUP_EDIT)}),
        MenuItemTemplate::Popup(
            QT_TRANSLATE_NOOP("IDR_MAINDLG_MENU", "オプション(&O)"),
            {MenuItemTemplate::Command(QT_TRANSLATE_NOOP("IDR_MAINDLG_MENU", "設定(&S)"), ID_OPTION),
             MenuItemTemplate::Command(QT_TRANSLATE_NOOP("IDR_MAINDLG_MENU", "ブラウザ リモート(&W)..."),
                                       ID_WEB_REMOTE)}),
        MenuItemTemplate::Popup(
            QT_TRANSLATE_NOOP("IDR_MAINDLG_MENU", "ヘルプ(&H)"),
            {MenuItemTemplate::Command(QT_TRANSLATE_NOOP("IDR_MAINDLG_MENU", "バージョン情報(&A)..."),
                                       ID_APP_ABOUT)}),
    };
    return m;
}

} // namespace

const MenuTemplate* FindMenuResource(int id) {
    static const MenuTemplate kMainDialogMenu = MakeMainDialogMenu();
    return id == IDR_MAINDLG_MENU ? &kMainDialogMenu : nullptr;
}
