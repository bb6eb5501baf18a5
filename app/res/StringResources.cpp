#include "app/res/Resources.h"

#include <QCoreApplication>
#include <QHash>

QString LoadResString(UINT id) {
    // Source texts; shown in the user's language.
    static const QHash<UINT, const char*> kStrings = {
        {IDP_OLE_INIT_FAILED,
         QT_TRANSLATE_NOOP("StringResources",
                           "OLE の初期化に失敗しました。OLE ライブラリのバージョンが正しいことを確認して"
                           "ください。")},
        {IDS_DOCUMENT, "Padora\n\nPadora\n\n\nPadora.Document\nPadora.Document"},
        {IDS_GROUP_FILE_FILTER,
         QT_TRANSLATE_NOOP("StringResources", "ｸﾞﾙｰﾌﾟﾃﾞｰﾀ ﾌｧｲﾙ(*.pdg,*.dat)|*.pdg;*.dat|")},
        {ID_GROUP_EDIT, QT_TRANSLATE_NOOP("StringResources", "グループの編集を行う\nグループ編集")},
        {IDS_APP_TITLE, "Padora"},
        {AFX_IDP_PARSE_INT, QT_TRANSLATE_NOOP("StringResources", "整数を入力してください。")},
        {AFX_IDP_PARSE_REAL, QT_TRANSLATE_NOOP("StringResources", "数値を入力してください。")},
        {AFX_IDP_PARSE_INT_RANGE,
         QT_TRANSLATE_NOOP("StringResources", "%1 から %2 までの整数を入力してください。")},
        {AFX_IDP_PARSE_REAL_RANGE,
         QT_TRANSLATE_NOOP("StringResources", "%1 から %2 までの数値を入力してください。")},
        {AFX_IDP_PARSE_STRING_SIZE, QT_TRANSLATE_NOOP("StringResources", "%1 文字以内で入力してください。")},
    };
    const char* text = kStrings.value(id, nullptr);
    return text ? QCoreApplication::translate("StringResources", text) : QString();
}
