#include "app/dialogs/OptionPage5.h"

#include "app/dialogs/DataExchange.h"
#include "app/remote/MidiControl.h"
#include "app/remote/RemoteControl.h"
#include "app/res/Resources.h"
#include "app/settings/RemoteSettings.h"

#include <QPushButton>

namespace {

constexpr int kMaxPort = 65535;
constexpr int kBindMaxBytes = 63;
const char* const kLearnText = "学習";
const char* const kWaitingText = "操作待ち";

} // namespace

COptionPage5::COptionPage5(CMidiControl* pMidi, CSettingsFile settings, CResDialog* pDlg, QWidget* parent)
    : CResDialog(IDD_OPTION_PAGE5, parent, true), m_pMidi(pMidi), m_Settings(std::move(settings)),
      m_pDlg(pDlg) {
    const CRemoteControl::Config config = CRemoteControl::ReadConfig(m_Settings);
    m_nOscPort = config.nPort;
    m_strOscBind = config.strBind;
    if (m_pMidi)
        m_mapBefore = m_pMidi->Map();
}

COptionPage5::~COptionPage5() {
    if (m_pMidi) {
        m_pMidi->Learn(-1);
        if (!m_bSaved)
            m_pMidi->Map() = m_mapBefore;
    }
}

BOOL COptionPage5::OnInitDialog() {
    CResDialog::OnInitDialog();
    SetDlgItemText(
        IDC_OPT5_MIDI,
        m_pMidi && m_pMidi->IsOpen()
            ? QStringLiteral("Padora in / Padora out (%1)").arg(CMidiControl::ReadConfig(m_Settings).strApi)
            : QStringLiteral("MIDI は使われていません"));
    for (int role = 0; role < CMidiMap::kRoleCount; ++role) {
        ShowBinding(role);
        if (QWidget* button = GetDlgItem(IDC_OPT5_LEARN1 + role))
            button->setEnabled(m_pMidi && m_pMidi->IsOpen());
    }
    if (m_pMidi)
        connect(m_pMidi, &CMidiControl::Learned, this, [this](int role) {
            ShowBinding(role);
            // One control, one role: a role that lost its control shows it too.
            for (int r = 0; r < CMidiMap::kRoleCount; ++r)
                ShowBinding(r);
        });
    return TRUE;
}

void COptionPage5::ShowBinding(int role) {
    const bool bWaiting = m_pMidi && m_pMidi->Learning() == role;
    SetDlgItemText(IDC_OPT5_BINDING1 + role, m_pMidi ? m_pMidi->Map().At(role).ToText() : QString());
    SetDlgItemText(IDC_OPT5_LEARN1 + role, QString::fromUtf8(bWaiting ? kWaitingText : kLearnText));
}

void COptionPage5::OnCommand(UINT id) {
    const int role = static_cast<int>(id) - IDC_OPT5_LEARN1;
    if (role >= 0 && role < CMidiMap::kRoleCount && m_pMidi) {
        const int before = m_pMidi->Learning();
        m_pMidi->Learn(before == role ? -1 : role); // a second click gives up
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
}

bool COptionPage5::SaveToSettings() {
    CRemoteSettings remote = CRemoteSettings::Load(m_Settings);
    remote.nOscPort = m_nOscPort;
    remote.strOscBind = m_strOscBind.trimmed();
    if (m_pMidi)
        remote.map = m_pMidi->Map();
    m_bSaved = true;
    return remote.Save(m_Settings);
}

void COptionPage5::OnOK() {
    m_pDlg->SendCommand(platform::IDOK);
}

void COptionPage5::OnCancel() {
    m_pDlg->SendCommand(platform::IDCANCEL);
}
