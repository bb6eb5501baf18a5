#pragma once

#include "app/dialogs/ResDialog.h"
#include "app/settings/Option.h"

// Page "ファイル" of the options dialog: whether group files store sound paths relative to themselves.
// UI thread.
class COptionPage3 : public CResDialog {
    Q_OBJECT
public:
    COptionPage3(OPTIONDATA* pOption, CResDialog* pDlg, QWidget* parent);

    void SaveToOption();

    int m_bRelative; // the page's own copy, taken from the record on construction

protected:
    void DoDataExchange(CDataExchange& dx) override;
    void OnOK() override;
    void OnCancel() override;

private:
    OPTIONDATA* m_pOption;
    CResDialog* m_pDlg;
};
