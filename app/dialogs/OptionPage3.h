#pragma once

#include "app/dialogs/ResDialog.h"
#include "app/settings/Option.h"
#include "app/settings/ShowSettings.h"

// Page "ファイル" of the options dialog: whether group files store sound paths relative to themselves,
// and whether a group switch leaves the sounds playing (section "Show"). UI thread.
class COptionPage3 : public CResDialog {
    Q_OBJECT
public:
    // pShow: the options dialog's copy of section "Show".
    COptionPage3(OPTIONDATA* pOption, CShowSettings* pShow, CResDialog* pDlg, QWidget* parent);

    void SaveToOption();

    int m_bRelative; // the page's own copies, taken on construction
    int m_bKeepPlaying;

protected:
    void DoDataExchange(CDataExchange& dx) override;
    void OnOK() override;
    void OnCancel() override;

private:
    OPTIONDATA* m_pOption;
    CShowSettings* m_pShow;
    CResDialog* m_pDlg;
};
