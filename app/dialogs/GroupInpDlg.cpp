#include "app/dialogs/GroupInpDlg.h"

#include "app/dialogs/DataExchange.h"
#include "app/res/Resources.h"
#include "padkit/util/MessageBox.h"

#include <QCoreApplication>
#include <QLineEdit>

namespace {

constexpr const char* kNameRequiredText = QT_TRANSLATE_NOOP("CGroupInpDlg", "グループ名を入力してください");

} // namespace

CGroupInpDlg::CGroupInpDlg(const QString& strName, QWidget* parent)
    : CResDialog(IDD_GROUP_INP, parent), m_strName(strName) {}

void CGroupInpDlg::DoDataExchange(CDataExchange& dx) {
    dx.Text(IDC_GROUPINP_NAME, m_strName);
    dx.MaxBytes(IDC_GROUPINP_NAME, m_strName, kNameMaxBytes);
}

void CGroupInpDlg::OnOK() {
    if (!UpdateData(TRUE))
        return;
    if (m_strName.isEmpty()) {
        PADKIT_MessageBox(this, QCoreApplication::translate("CGroupInpDlg", kNameRequiredText), QString(),
                          MB_OK | MB_ICONEXCLAMATION);
        if (QWidget* edit = GetDlgItem(IDC_GROUPINP_NAME))
            edit->setFocus(Qt::OtherFocusReason);
        return;
    }
    EndDialog(platform::IDOK);
}
