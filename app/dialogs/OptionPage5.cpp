#include "app/dialogs/OptionPage5.h"

#include "app/dialogs/DataExchange.h"
#include "app/dialogs/WebRemoteDlg.h"
#include "app/remote/MidiLearnSource.h"
#include "app/remote/WebRemote.h"
#include "app/res/Resources.h"
#include "app/settings/RemoteSettings.h"
#include "app/settings/WebSettings.h"

#include <QCoreApplication>
#include <QPushButton>

namespace {

constexpr int kMaxPort = 65535;
constexpr int kBindMaxBytes = 63;
const char* const kLearnText = QT_TRANSLATE_NOOP("COptionPage5", "学習");
const char* const kWaitingText = QT_TRANSLATE_NOOP("COptionPage5", "操作待ち");

} // namespace

COptionPage5::COptionPage5(IMidiLearnSource* pLearn, CMidiMap map, CSettingsFile settings, CResDialog* pDlg,
                           QWidget* parent)
    : CResDialog(IDD_OPTION_PAGE5, parent, true), m_pLearn(pLearn), m_Map(std::move(map)),
      m_Settings(std::move(settings)), m_pDlg(pDlg) {
    const CRemoteSettings remote = CRemoteSettings::Load(m_Settings);
    m_nOscPort = remote.nOscPort;
    m_strOscBind = remote.strOscBind;
    m_strMidiApi = remote.strMidiApi.toLower();
    const CWebSettings web = CWebSettings::Load(m_Settings);
    m_nWebPort = web.nPort;
    m_strWebBind = web.strBind;
}

COptionPage5::~COptionPage5() {
    // The source must not call back into a page that is gone.
    StopLearning();
}

void COptionPage5::StopLearning() {
    if (m_nLearning >= 0 && m_pLearn)
        m_pLearn->StopLearning();
    m_nLearning = -1;
}

BOOL COptionPage5::OnInitDialog() {
    CResDialog::OnInitDialog();
    SetDlgItemText(IDC_OPT5_MIDI,
                   m_pLearn && m_pLearn->CanLearn()
                       ? QStringLiteral("Padora in / Padora out (%1)").arg(m_strMidiApi)
                       : QCoreApplication::translate("COptionPage5", "MIDI は使われていません"));
    for (int role = 0; role < CMidiMap::kRoleCount; ++role) {
        ShowBinding(role);
        if (QWidget* button = GetDlgItem(IDC_OPT5_LEARN1 + role))
            button->setEnabled(m_pLearn && m_pLearn->CanLearn());
    }
    ShowWebRemote();
    return TRUE;
}

void COptionPage5::ShowWebRemote() {
    const bool on = m_pWeb && m_pWeb->IsListening();
    SetDlgItemText(IDC_OPT5_WEBURL, on ? tr("%1  コード %2").arg(m_pWeb->Url(), m_pWeb->Code())
                                       : tr("ブラウザ リモートは使われていません"));
    for (const int id : {IDC_OPT5_WEBREVOKE, IDC_OPT5_WEBQR})
        if (QWidget* button = GetDlgItem(id))
            button->setEnabled(on);
}

void COptionPage5::ShowBinding(int role) {
    SetDlgItemText(IDC_OPT5_BINDING1 + role, m_Map.At(role).ToText());
    SetDlgItemText(
        IDC_OPT5_LEARN1 + role,
        QCoreApplication::translate("COptionPage5", m_nLearning == role ? kWaitingText : kLearnText));
}

void COptionPage5::OnLearnt(const CMidiMap::Binding& binding) {
    const int role = m_nLearning;
    m_nLearning = -1;
    if (role < 0)
        return;
    m_Map.Set(role, binding);
    // One control, one role: a role that lost its control shows it too.
    for (int r = 0; r < CMidiMap::kRoleCount; ++r)
        ShowBinding(r);
}

void COptionPage5::OnCommand(UINT id) {
    if (id == static_cast<UINT>(IDC_OPT5_WEBQR)) {
        if (m_pWeb && m_pWeb->IsListening()) {
            CWebRemoteDlg dlg(m_pWeb->Url(), m_pWeb->Code(), this);
            dlg.DoModal();
        }
        return;
    }
    if (id == static_cast<UINT>(IDC_OPT5_WEBREVOKE)) {
        if (m_pWeb)
            m_pWeb->RevokeAll();
        ShowWebRemote();
        return;
    }
    const int role = static_cast<int>(id) - IDC_OPT5_LEARN1;
    if (role >= 0 && role < CMidiMap::kRoleCount && m_pLearn) {
        const int before = m_nLearning;
        StopLearning();
        if (before != role) { // a second click gives up
            m_nLearning = role;
            m_pLearn->StartLearning([this](const CMidiMap::Binding& binding) { OnLearnt(binding); });
        }
        if (before >= 0)
            ShowBinding(before);
        ShowBinding(role);
        return;
    }
    CResDialog::OnCommand(id);
}

void COptionPage5::DoDataExchange(CDataExchange& dx) {
    dx.Text(IDC_OPT5_OSCPORT, m_nOscPort);
    dx.MinMax(IDC_OPT5_OSCPORT, m_nOscPort, 0, kMaxPort);
    dx.Text(IDC_OPT5_OSCBIND, m_strOscBind);
    dx.MaxBytes(IDC_OPT5_OSCBIND, m_strOscBind, kBindMaxBytes);
    dx.Text(IDC_OPT5_WEBPORT, m_nWebPort);
    dx.MinMax(IDC_OPT5_WEBPORT, m_nWebPort, 0, kMaxPort);
    dx.Text(IDC_OPT5_WEBBIND, m_strWebBind);
    dx.MaxBytes(IDC_OPT5_WEBBIND, m_strWebBind, kBindMaxBytes);
}

bool COptionPage5::SaveToSettings() {
    CRemoteSettings remote = CRemoteSettings::Load(m_Settings);
    remote.nOscPort = m_nOscPort;
    remote.strOscBind = m_strOscBind.trimmed();
    remote.map = m_Map;
    CWebSettings web = CWebSettings::Load(m_Settings);
    web.nPort = m_nWebPort;
    web.strBind = m_strWebBind.trimmed().isEmpty() ? QString::fromLatin1(CWebSettings::kDefaultBind)
                                                   : m_strWebBind.trimmed();
    // Both written, even when the first fails: neither section is lost for the other.
    const bool remoteSaved = remote.Save(m_Settings);
    return web.Save(m_Settings) && remoteSaved;
}

void COptionPage5::OnOK() {
    m_pDlg->SendCommand(platform::IDOK);
}

void COptionPage5::OnCancel() {
    m_pDlg->SendCommand(platform::IDCANCEL);
}
