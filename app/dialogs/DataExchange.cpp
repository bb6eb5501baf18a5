#include "app/dialogs/DataExchange.h"

#include "app/dialogs/ResDialog.h"
#include "app/res/Resources.h"
#include "padkit/util/MessageBox.h"
#include "platform/CodePage.h"
#include "platform/Profile.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QLocale>
#include <QValidator>

#include <cmath>

namespace {

// Refuses an edit that would make the text longer than a number of CP932 bytes, as an edit control
// limited in bytes does.
class CByteLimitValidator : public QValidator {
public:
    CByteLimitValidator(int nMaxBytes, QObject* parent) : QValidator(parent), m_nMaxBytes(nMaxBytes) {}
    State validate(QString& input, int&) const override {
        return platform::Cp932Length(input) <= m_nMaxBytes ? Acceptable : Invalid;
    }

private:
    int m_nMaxBytes;
};

QString RangeNumber(double value) {
    return QString::number(value, 'g', 15);
}

} // namespace

CDataExchange::CDataExchange(CResDialog* pDlg, BOOL bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlg(pDlg) {}

void CDataExchange::Fail(int id, const QString& text) {
    m_bFailed = true;
    m_nFailedId = id;
    PADKIT_MessageBox(m_pDlg, text, QString(), MB_OK | MB_ICONEXCLAMATION);
    m_pDlg->FocusControl(id);
}

void CDataExchange::Text(int id, QString& value) {
    if (m_bFailed)
        return;
    if (m_bSaveAndValidate)
        value = m_pDlg->GetDlgItemText(id);
    else
        m_pDlg->SetDlgItemText(id, value);
}

void CDataExchange::MaxBytes(int id, const QString& value, int nMaxBytes) {
    if (m_bFailed)
        return;
    if (!m_bSaveAndValidate) {
        if (auto* edit = m_pDlg->GetDlgItemAs<QLineEdit>(id); edit && !edit->validator())
            edit->setValidator(new CByteLimitValidator(nMaxBytes, edit));
        return;
    }
    if (platform::Cp932Length(value) > nMaxBytes)
        Fail(id, LoadResString(AFX_IDP_PARSE_STRING_SIZE).arg(nMaxBytes));
}

void CDataExchange::Text(int id, double& value, int nDecimals) {
    if (m_bFailed)
        return;
    if (!m_bSaveAndValidate) {
        m_pDlg->SetDlgItemText(id, platform::FormatFixed(value, nDecimals));
        return;
    }
    bool ok = false;
    const double read = QLocale::c().toDouble(m_pDlg->GetDlgItemText(id).trimmed(), &ok);
    if (!ok || !std::isfinite(read)) {
        Fail(id, LoadResString(AFX_IDP_PARSE_REAL));
        return;
    }
    value = read;
}

void CDataExchange::MinMax(int id, double value, double dMin, double dMax) {
    if (m_bFailed || !m_bSaveAndValidate)
        return;
    if (value < dMin || value > dMax)
        Fail(id, LoadResString(AFX_IDP_PARSE_REAL_RANGE).arg(RangeNumber(dMin), RangeNumber(dMax)));
}

void CDataExchange::Text(int id, int& value) {
    if (m_bFailed)
        return;
    if (!m_bSaveAndValidate) {
        m_pDlg->SetDlgItemText(id, QString::number(value));
        return;
    }
    bool ok = false;
    const int read = QLocale::c().toInt(m_pDlg->GetDlgItemText(id).trimmed(), &ok);
    if (!ok) {
        Fail(id, LoadResString(AFX_IDP_PARSE_INT));
        return;
    }
    value = read;
}

void CDataExchange::MinMax(int id, int value, int nMin, int nMax) {
    if (m_bFailed || !m_bSaveAndValidate)
        return;
    if (value < nMin || value > nMax)
        Fail(id, LoadResString(AFX_IDP_PARSE_INT_RANGE).arg(nMin).arg(nMax));
}

void CDataExchange::Check(int id, int& value) {
    if (m_bFailed)
        return;
    auto* box = m_pDlg->GetDlgItemAs<QAbstractButton>(id);
    if (!box)
        return;
    if (m_bSaveAndValidate)
        value = box->isChecked() ? 1 : 0;
    else
        box->setChecked(value != 0);
}
