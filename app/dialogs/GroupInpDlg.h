#pragma once

#include "app/dialogs/ResDialog.h"

#include <QString>

// "グループ名編集": asks for a group name. The caller sets m_strName before the run and reads it after OK,
// which is given only for a name of 1 to 64 bytes. UI thread.
class CGroupInpDlg : public CResDialog {
    Q_OBJECT
public:
    static constexpr int kNameMaxBytes = 64;

    explicit CGroupInpDlg(const QString& strName, QWidget* parent = nullptr);

    QString m_strName;

protected:
    void DoDataExchange(CDataExchange& dx) override;
    void OnOK() override;
};
