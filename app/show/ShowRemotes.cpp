#include "app/show/ShowRemotes.h"

#include "app/settings/RemoteSettings.h"

#include <QTextStream>

namespace {

// "PADORA_OSC_PORT" stands in for "Remote"/"OscPort" when set (tests choose a free port; 0 is off).
void ApplyEnvironment(CRemoteControl::Config& config) {
    bool ok = false;
    const int port = qEnvironmentVariableIntValue("PADORA_OSC_PORT", &ok);
    if (ok)
        config.nPort = port;
}

} // namespace

CShowRemotes::CShowRemotes(IRemoteTarget* pTarget)
    : m_remote(pTarget), m_midi(pTarget), m_triggers(pTarget) {}

QStringList CShowRemotes::Start(const CSettingsFile& settings) {
    QStringList messages;
    CRemoteControl::Config osc = CRemoteControl::ReadConfig(settings);
    ApplyEnvironment(osc);
    if (!m_bStarted || osc.nPort != m_oscConfig.nPort || osc.strBind != m_oscConfig.strBind) {
        m_oscConfig = osc;
        if (!m_remote.Start(osc) && !m_remote.Message().isEmpty()) {
            QTextStream(stderr) << "padora: " << m_remote.Message() << '\n';
            if (CRemoteSettings::NamesOsc(settings)) // asked for: a box, else only standard error
                messages << m_remote.Message();
        }
    }

    if (!m_bStarted)
        m_midi.SetMap(CRemoteSettings::Load(settings).map);
    const CMidiControl::Config midi = CMidiControl::ReadConfig(settings);
    if (!m_bStarted || midi.strApi != m_midiConfig.strApi || midi.strIn != m_midiConfig.strIn ||
        midi.strOut != m_midiConfig.strOut) {
        m_midiConfig = midi;
        // Every Padora tries MIDI with the defaults, so that a controller can be connected by hand and
        // learnt; only an operator who asked for MIDI hears that it cannot be had (or that the named
        // controller is not there), and then in a box as well.
        m_midi.Open(midi);
        if (!m_midi.Message().isEmpty() && CMidiControl::IsWanted(settings, m_midi.Map())) {
            QTextStream(stderr) << "padora: " << m_midi.Message() << '\n';
            messages << m_midi.Message();
        }
    }
    m_bStarted = true;
    return messages;
}
