#include "app/main/MainDlg.h"

#include "app/data/LoudnessCache.h"
#include "app/data/LoudnessMatcher.h"
#include "app/data/LoudnessMeter.h"
#include "app/remote/MidiControl.h"
#include "app/remote/RemoteControl.h"
#include "app/res/Resources.h"
#include "padkit/util/MessageBox.h"
#include "platform/Profile.h"

#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

constexpr LONG kSilence = -10000;
constexpr int kMaxVolume = 100;
const QString kRemoteSection = QStringLiteral("Remote");
constexpr int kIdleRetryMs = 100;

// The operator asked for OSC in Padora.INI: a failure then gets a message box. Otherwise (the defaults)
// one line on standard error is enough, so that a second Padora or a test run never stops at a box.
bool IsConfigured(const CSettingsFile& settings, std::initializer_list<const char*> keys) {
    const auto profile = settings.Document();
    for (const char* key : keys)
        if (profile->HasKey(kRemoteSection, QString::fromLatin1(key)))
            return true;
    return false;
}

// "PADORA_OSC_PORT" stands in for "Remote"/"OscPort" when set (tests choose a free port; 0 is off).
void ApplyEnvironment(CRemoteControl::Config& config) {
    bool ok = false;
    const int port = qEnvironmentVariableIntValue("PADORA_OSC_PORT", &ok);
    if (ok)
        config.nPort = port;
}

} // namespace

void CMainDlg::StartLoudness() {
    if (!m_pLoudness) {
        m_pLoudness = std::make_unique<CLoudnessMatcher>(CLoudnessCache::DefaultPath());
        connect(m_pLoudness.get(), &CLoudnessMatcher::Measured, this, &CMainDlg::OnLoudnessMeasured);
    }
    m_pLoudness->SetTarget(CLoudnessMatcher::ReadTarget(m_Settings));
}

void CMainDlg::StartRemote() {
    StartLoudness();

    QStringList messages;
    if (!m_pRemote)
        m_pRemote = std::make_unique<CRemoteControl>(this);
    CRemoteControl::Config osc = CRemoteControl::ReadConfig(m_Settings);
    ApplyEnvironment(osc);
    // Started again only when its settings changed: remotes that asked for the state stay told.
    if (!m_bRemoteStarted || osc.nPort != m_oscConfig.nPort || osc.strBind != m_oscConfig.strBind) {
        m_oscConfig = osc;
        if (!m_pRemote->Start(osc) && !m_pRemote->Message().isEmpty()) {
            QTextStream(stderr) << "padora: " << m_pRemote->Message() << '\n';
            if (IsConfigured(m_Settings, {"OscPort", "OscBind"}))
                messages << m_pRemote->Message();
        }
    }

    if (!m_pMidi) {
        m_pMidi = std::make_unique<CMidiControl>(this);
        m_pMidi->Map().Load(m_Settings);
    }
    // Likewise MIDI: reopening would drop the connections made by hand.
    const CMidiControl::Config midi = CMidiControl::ReadConfig(m_Settings);
    if (!m_bRemoteStarted || midi.strApi != m_midiConfig.strApi || midi.strIn != m_midiConfig.strIn ||
        midi.strOut != m_midiConfig.strOut) {
        m_midiConfig = midi;
        // Every Padora tries MIDI with the defaults, so that a controller can be connected by hand and
        // learnt; only an operator who asked for MIDI hears that it cannot be had (or that the named
        // controller is not there), and then in a box as well.
        m_pMidi->Open(midi);
        if (!m_pMidi->Message().isEmpty() && CMidiControl::IsWanted(m_Settings, m_pMidi->Map())) {
            QTextStream(stderr) << "padora: " << m_pMidi->Message() << '\n';
            messages << m_pMidi->Message();
        }
    }
    m_bRemoteStarted = true;
    if (!messages.isEmpty())
        TellOnceIdle(messages.join(QLatin1Char('\n')));
}

void CMainDlg::TellOnceIdle(const QString& text) {
    // Once the window shows and no loader or other modal window of it runs: not over the start-up.
    if (!isVisible() || IsInHandler()) {
        QTimer::singleShot(kIdleRetryMs, this, [this, text] { TellOnceIdle(text); });
        return;
    }
    const HandlerScope scope(m_nHandlerDepth);
    PADKIT_MessageBox(this, text, LoadResString(IDS_APP_TITLE), MB_ICONEXCLAMATION | MB_OK);
}

void CMainDlg::RemoteCommandArrived(const RemoteCommand& command) {
    const HandlerScope scope(m_nHandlerDepth);
    const int n = command.n;
    using Kind = RemoteCommand::Kind;
    switch (command.kind) {
    case Kind::Pad:
        // The command a channel key posts, handled at once so that it keeps its place among the others.
        OnCommand(static_cast<UINT>(IDC_PAD1 + n));
        break;
    case Kind::StopKey:
        m_bStopKey = n != 0;
        break;
    case Kind::Stop: {
        // The channel key with the stop key held: stops, or fades out with FO on.
        const BOOL held = m_bStopKey;
        m_bStopKey = TRUE;
        OnCommand(static_cast<UINT>(IDC_PAD1 + n));
        m_bStopKey = held;
        break;
    }
    case Kind::AllStop:
        OnCommand(IDC_ALLSTOP);
        break;
    case Kind::GroupNext:
        SelectGroup(m_tabGroup->currentIndex() + 1);
        break;
    case Kind::GroupPrev:
        if (m_tabGroup->currentIndex() > 0)
            SelectGroup(m_tabGroup->currentIndex() - 1);
        break;
    case Kind::Group:
        SelectGroup(n);
        break;
    case Kind::Volume:
        SetChannelVolume(n, std::clamp(command.value, 0, kMaxVolume));
        break;
    case Kind::Master:
        m_nMasterVolume = std::clamp(command.value, 0, kMaxVolume);
        m_ctrlMaster->setValue(kMaxVolume - m_nMasterVolume);
        ApplyMasterVolume();
        break;
    case Kind::State:
    case Kind::Raw:
        break;
    }
}

RemoteState CMainDlg::CurrentRemoteState() {
    RemoteState state;
    const CGroupData* g = GetCurGroup();
    if (!g)
        return state;
    state.nGroup = m_tabGroup->currentIndex();
    state.strGroup = g->m_strName;
    for (int i = 0; i < kChannelCount; ++i)
        state.aPlay[static_cast<size_t>(i)] = g->m_aChannel[i].m_nPlayState;
    return state;
}

LONG CMainDlg::LoudnessAttenuation(int i, LONG attenuation) {
    const CGroupData* g = GetCurGroup();
    if (!g || !m_pLoudness || attenuation <= kSilence)
        return attenuation;
    const CChannelData& ch = g->m_aChannel[i];
    if (!ch.m_bLoudness)
        return attenuation;
    const double gain = CLoudnessMeter::GainDb(ch.m_dLoudness, m_pLoudness->Target());
    return std::clamp(attenuation + static_cast<LONG>(std::lround(gain * 100.0)), kSilence, LONG{0});
}

void CMainDlg::RequestLoudness(int i) {
    CGroupData* g = GetCurGroup();
    if (!g || !m_pLoudness)
        return;
    CChannelData& ch = g->m_aChannel[i];
    ch.m_dLoudness = m_pLoudness->Known(ch.m_strFile);
    ch.m_bLoudnessFailed = FALSE;
    // Measured only for channels that use it; others learn it when they are switched on.
    if (ch.m_bLoudness && std::isnan(ch.m_dLoudness))
        m_pLoudness->Request(ch.m_strFile);
}

void CMainDlg::OnLoudnessMeasured(const QString& file, double lufs, bool failed) {
    CGroupData* g = GetCurGroup();
    if (!g)
        return;
    for (int i = 0; i < kChannelCount; ++i) {
        CChannelData& ch = g->m_aChannel[i];
        if (ch.m_strFile != file)
            continue;
        ch.m_dLoudness = failed ? std::nan("") : lufs;
        ch.m_bLoudnessFailed = failed ? TRUE : FALSE;
        RedrawChannelRow(i);
        // The gain reaches a sound that already plays, through the volume's own ramp.
        if (ch.m_bLoudness && m_Show[i].IsRender() && ch.m_nFadeMode == 0)
            (void)m_Show[i].SetVolume( // in range
                LoudnessAttenuation(i, ChannelAttenuation(ch.m_nVolume, m_nMasterVolume)));
    }
}
