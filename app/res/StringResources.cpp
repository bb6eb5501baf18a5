#include "app/res/Resources.h"

#include <QHash>

QString LoadResString(UINT id) {
    static const QHash<UINT, QString> kStrings = {
        {IDP_OLE_INIT_FAILED,
         QStringLiteral("OLE の初期化に失敗しました。OLE ライブラリのバージョンが正しいことを確認して"
                        "ください。")},
        {IDS_DOCUMENT, QStringLiteral("Padora\n\nPadora\n\n\nPadora.Document\nPadora.Document")},
        {IDS_GROUP_FILE_FILTER, QStringLiteral("ｸﾞﾙｰﾌﾟﾃﾞｰﾀ ﾌｧｲﾙ(*.pdg,*.dat)|*.pdg;*.dat|")},
        {ID_GROUP_EDIT, QStringLiteral("グループの編集を行う\nグループ編集")},
        {IDS_APP_TITLE, QStringLiteral("Padora")},
        {AFX_IDP_PARSE_INT, QStringLiteral("整数を入力してください。")},
        {AFX_IDP_PARSE_REAL, QStringLiteral("数値を入力してください。")},
        {AFX_IDP_PARSE_INT_RANGE, QStringLiteral("%1 から %2 までの整数を入力してください。")},
        {AFX_IDP_PARSE_REAL_RANGE, QStringLiteral("%1 から %2 までの数値を入力してください。")},
        {AFX_IDP_PARSE_STRING_SIZE, QStringLiteral("%1 文字以内で入力してください。")},
    };
    return kStrings.value(id);
}
