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
    };
    return kStrings.value(id);
}
