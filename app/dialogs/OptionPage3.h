#pragma once

#include "app/dialogs/ResDialog.h"
#include "app/settings/Option.h"
#include "app/settings/ShowSettings.h"
#include "app/settings/UiSettings.h"

// Page "ファイル" of the options dialog: whether group files store sound paths relative to themselves,
// whether a group switch leaves the sounds playing (section "Show"), and the language of the program's
// texts (section "UI", used from the next start). UI thread.
class COptionPage3 : public CResDialog {
    Q_OBJECT
public:
    // pShow, pUi: the options dialog's copies of sections "Show" and "UI".
    COptionPage3(OPTIONDATA* pOption, CShowSettings* pShow, CUiSettings* pUi, CResDialog* pDlg,
                 QWidget* parent);

    void SaveToOption();

    int m_bRelative; // the page's own copies, taken on construction
    int m_bKeepPlaying;
    CUiSettings::Language m_language;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    void OnOK() override;
    void OnCancel() override;

private:
    OPTIONDATA* m_pOption;
    CShowSettings* m_pShow;
    CUiSettings* m_pUi;
    CResDialog* m_pDlg;
};
