#include "app/dialogs/OptionPage3.h"

#include "app/dialogs/DataExchange.h"
#include "app/res/Resources.h"

COptionPage3::COptionPage3(OPTIONDATA* pOption, CShowSettings* pShow, CResDialog* pDlg, QWidget* parent)
    : CResDialog(IDD_OPTION_PAGE3, parent, true), m_bRelative(pOption->bRelative),
      m_bKeepPlaying(pShow->bKeepPlaying ? TRUE : FALSE), m_pOption(pOption), m_pShow(pShow), m_pDlg(pDlg) {}

void COptionPage3::DoDataExchange(CDataExchange& dx) {
    dx.Check(IDC_OPT3_RELATIVE, m_bRelative);
    dx.Check(IDC_OPT3_KEEPPLAYING, m_bKeepPlaying);
}

void COptionPage3::SaveToOption() {
    m_pOption->bRelative = m_bRelative;
    m_pShow->bKeepPlaying = m_bKeepPlaying != 0;
}

void COptionPage3::OnOK() {
    m_pDlg->SendCommand(platform::IDOK);
}

void COptionPage3::OnCancel() {
    m_pDlg->SendCommand(platform::IDCANCEL);
}
