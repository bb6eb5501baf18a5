#include "app/dialogs/OptionPage2.h"

#include "app/dialogs/DataExchange.h"
#include "app/dialogs/KeyEditCtrl.h"
#include "app/res/Resources.h"

#include <QAbstractButton>

namespace {

// Key fields of the page and the record's fields they show, in control order.
constexpr struct {
    int nId;
    int OPTIONDATA::*pField;
} kKeyField[] = {
    {IDC_OPT2_STOP, &OPTIONDATA::nStopKey},       {IDC_OPT2_ALLSTOP, &OPTIONDATA::nAllStopKey},
    {IDC_OPT2_GRPBACK, &OPTIONDATA::nGrpBackKey}, {IDC_OPT2_GRPNEXT, &OPTIONDATA::nGrpNextKey},
    {IDC_OPT2_VOLUP, &OPTIONDATA::nVolUpKey},     {IDC_OPT2_VOLDOWN, &OPTIONDATA::nVolDownKey},
};

constexpr int kScopeBoxes[] = {IDC_OPT2_GETNAKEY, IDC_OPT2_GETNASTOP, IDC_OPT2_GETNAGRP};

} // namespace

COptionPage2::COptionPage2(OPTIONDATA* pOption, CResDialog* pDlg, QWidget* parent)
    : CResDialog(IDD_OPTION_PAGE2, parent, true), m_nVolVal(pOption->nVolVal),
      m_bGetNoActive(pOption->bGetNoActive), m_bGetNAKey(pOption->bGetNAKey),
      m_bGetNAStop(pOption->bGetNAStop), m_bGetNAGrp(pOption->bGetNAGrp), m_pOption(pOption), m_pDlg(pDlg) {}

QWidget* COptionPage2::MakeControl(const platform::ControlTemplate& c, QWidget* parent) {
    for (const auto& key : kKeyField) {
        if (key.nId == c.id)
            return new CKeyEditCtrl(parent);
    }
    return nullptr;
}

BOOL COptionPage2::OnInitDialog() {
    for (const auto& key : kKeyField)
        GetDlgItemAs<CKeyEditCtrl>(key.nId)->SetKeyCode(m_pOption->*key.pField);
    CResDialog::OnInitDialog();
    EnableScope();
    return TRUE;
}

void COptionPage2::DoDataExchange(CDataExchange& dx) {
    dx.Text(IDC_OPT2_VOLVAL, m_nVolVal);
    dx.MinMax(IDC_OPT2_VOLVAL, m_nVolVal, kMinVolVal, kMaxVolVal);
    dx.Check(IDC_OPT2_GETNOACTIVE, m_bGetNoActive);
    dx.Check(IDC_OPT2_GETNAKEY, m_bGetNAKey);
    dx.Check(IDC_OPT2_GETNASTOP, m_bGetNAStop);
    dx.Check(IDC_OPT2_GETNAGRP, m_bGetNAGrp);
}

void COptionPage2::OnCommand(UINT id) {
    if (id == static_cast<UINT>(IDC_OPT2_GETNOACTIVE)) {
        m_bGetNoActive = GetDlgItemAs<QAbstractButton>(IDC_OPT2_GETNOACTIVE)->isChecked() ? 1 : 0;
        EnableScope();
        return;
    }
    CResDialog::OnCommand(id);
}

void COptionPage2::EnableScope() {
    // The scope boxes keep their ticks while disabled, and are saved as they stand.
    for (int id : kScopeBoxes)
        GetDlgItem(id)->setEnabled(m_bGetNoActive != 0);
}

void COptionPage2::SaveToOption() {
    for (const auto& key : kKeyField)
        m_pOption->*key.pField = GetDlgItemAs<CKeyEditCtrl>(key.nId)->GetKeyCode();
    m_pOption->nVolVal = m_nVolVal;
    m_pOption->bGetNoActive = m_bGetNoActive;
    m_pOption->bGetNAKey = m_bGetNAKey;
    m_pOption->bGetNAStop = m_bGetNAStop;
    m_pOption->bGetNAGrp = m_bGetNAGrp;
}

void COptionPage2::OnOK() {
    m_pDlg->SendCommand(platform::IDOK);
}

void COptionPage2::OnCancel() {
    m_pDlg->SendCommand(platform::IDCANCEL);
}
