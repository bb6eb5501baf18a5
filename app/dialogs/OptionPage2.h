#pragma once

#include "app/dialogs/ResDialog.h"
#include "app/settings/Option.h"

// Page "キー設定2" of the options dialog: the stop key (shown only), the all-stop, group and volume keys,
// the volume step (1 to 100) and background key capture with its three scope switches, which are
// usable only while capture is ticked; where the desktop's global shortcuts capture the keys, what the
// desktop bound each role to. UI thread.
class COptionPage2 : public CResDialog {
    Q_OBJECT
public:
    static constexpr int kMinVolVal = 1;
    static constexpr int kMaxVolVal = 100;

    COptionPage2(OPTIONDATA* pOption, CResDialog* pDlg, QWidget* parent);

    // Writes the key codes, the volume step and the four switches into the record.
    void SaveToOption();

    // The page's own copies, taken from the record on construction.
    int m_nVolVal;
    int m_bGetNoActive;
    int m_bGetNAKey;
    int m_bGetNAStop;
    int m_bGetNAGrp;

protected:
    QWidget* MakeControl(const platform::ControlTemplate& c, QWidget* parent) override;
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    void OnCommand(UINT id) override;
    void OnOK() override;
    void OnCancel() override;

private:
    void EnableScope();
    void ShowDesktopTriggers();

    OPTIONDATA* m_pOption;
    CResDialog* m_pDlg;
};
