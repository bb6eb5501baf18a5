#pragma once

#include "app/dialogs/ResDialog.h"
#include "app/settings/Option.h"

// Page "キー設定1" of the options dialog: the ten channel keys and the master key. UI thread.
class COptionPage1 : public CResDialog {
    Q_OBJECT
public:
    // pOption: the options dialog's copy of the record; pDlg: the dialog that gets Enter and Esc.
    COptionPage1(OPTIONDATA* pOption, CResDialog* pDlg, QWidget* parent);

    // Writes the fields' key codes into the record.
    void SaveToOption();

protected:
    QWidget* MakeControl(const platform::ControlTemplate& c, QWidget* parent) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    OPTIONDATA* m_pOption;
    CResDialog* m_pDlg;
};
