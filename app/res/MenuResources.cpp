#include "app/res/Resources.h"

#include <QCoreApplication>

using platform::MenuItemTemplate;
using platform::MenuTemplate;

namespace {

MenuTemplate MakeMainDialogMenu() {
    MenuTemplate m;
    m.id = IDR_MAINDLG_MENU;
    m.popups = {
        MenuItemTemplate::Popup(
            QStringLiteral("ファイル(&F)"),
            {MenuItemTemplate::Command(QStringLiteral("新規作成(&N)\tCtrl+N"), ID_FILE_NEW),
             MenuItemTemplate::Command(QStringLiteral("開く(&O)...\tCtrl+O"), ID_FILE_OPEN),
             MenuItemTemplate::Command(QStringLiteral("上書き保存(&S)\tCtrl+S"), ID_FILE_SAVE),
             MenuItemTemplate::Command(QStringLiteral("名前を付けて保存(&A)..."), ID_FILE_SAVE_AS),
             MenuItemTemplate::Separator(),
             MenuItemTemplate::Command(QStringLiteral("アプリケーションの終了(&X)"), ID_APP_EXIT)}),
        MenuItemTemplate::Popup(
            QStringLiteral("編集(&E)"),
            {MenuItemTemplate::Command(QStringLiteral("グループの編集(&G)"), ID_GROUP_EDIT)}),
        MenuItemTemplate::Popup(QStringLiteral("オプション(&O)"),
                                {MenuItemTemplate::Command(QStringLiteral("設定(&S)"), ID_OPTION),
                                 MenuItemTemplate::Command(QCoreApplication::translate("Resources", "ブラウザ リモート(&W)..."),
                                                           ID_WEB_REMOTE)}),
        MenuItemTemplate::Popup(
            QStringLiteral("ヘルプ(&H)"),
            {MenuItemTemplate::Command(QStringLiteral("バージョン情報(&A)..."), ID_APP_ABOUT)}),
    };
    return m;
}

} // namespace

const MenuTemplate* FindMenuResource(int id) {
    static const MenuTemplate kMainDialogMenu = MakeMainDialogMenu();
    return id == IDR_MAINDLG_MENU ? &kMainDialogMenu : nullptr;
}
