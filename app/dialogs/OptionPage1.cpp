#include "app/dialogs/OptionPage1.h"

#include "app/dialogs/KeyEditCtrl.h"
#include "app/res/Resources.h"

namespace {

constexpr int kChannelKeys = 10;

} // namespace

COptionPage1::COptionPage1(OPTIONDATA* pOption, CResDialog* pDlg, QWidget* parent)
    : CResDialog(IDD_OPTION_PAGE1, parent, true), m_pOption(pOption), m_pDlg(pDlg) {}

QWidget* COptionPage1::MakeControl(const platform::ControlTemplate& c, QWidget* parent) {
    if (c.kind == platform::ControlKind::Edit)
        return new CKeyEditCtrl(parent);
    return nullptr;
}

BOOL COptionPage1::OnInitDialog() {
    for (int i = 0; i < kChannelKeys; ++i)
        GetDlgItemAs<CKeyEditCtrl>(IDC_OPT1_KEY1 + i)->SetKeyCode(m_pOption->nVKey[i]);
    GetDlgItemAs<CKeyEditCtrl>(IDC_OPT1_MASTER)->SetKeyCode(m_pOption->nMasterKey);
    return CResDialog::OnInitDialog();
}

void COptionPage1::SaveToOption() {
    for (int i = 0; i < kChannelKeys; ++i)
        m_pOption->nVKey[i] = GetDlgItemAs<CKeyEditCtrl>(IDC_OPT1_KEY1 + i)->GetKeyCode();
    m_pOption->nMasterKey = GetDlgItemAs<CKeyEditCtrl>(IDC_OPT1_MASTER)->GetKeyCode();
}

void COptionPage1::OnOK() {
    m_pDlg->SendCommand(platform::IDOK);
}

void COptionPage1::OnCancel() {
    m_pDlg->SendCommand(platform::IDCANCEL);
}
