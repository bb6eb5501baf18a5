#include "app/show/ShowRemotes.h"

#include "platform/Profile.h"

#include <QTextStream>

namespace {

const QString kRemoteSection = QStringLiteral("Remote");

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

CShowRemotes::CShowRemotes(IRemoteTarget* pTarget) : m_remote(pTarget), m_midi(pTarget) {}

QStringList CShowRemotes::Start(const CSettingsFile& settings) {
    QStringList messages;
    CRemoteControl::Config osc = CRemoteControl::ReadConfig(settings);
    ApplyEnvironment(osc);
    if (!m_bStarted || osc.nPort != m_oscConfig.nPort || osc.strBind != m_oscConfig.strBind) {
        m_oscConfig = osc;
        if (!m_remote.Start(osc) && !m_remote.Message().isEmpty()) {
            QTextStream(stderr) << "padora: " << m_remote.Message() << '\n';
            if (IsConfigured(settings, {"OscPort", "OscBind"}))
                messages << m_remote.Message();
        }
    }

    if (!m_bStarted)
        m_midi.Map().Load(settings);
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
