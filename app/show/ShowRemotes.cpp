#include "app/show/ShowRemotes.h"

#include "app/settings/RemoteSettings.h"
#include "app/settings/WebSettings.h"
#include "app/show/ShowSession.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

// "PADORA_OSC_PORT" stands in for "Remote"/"OscPort" when set (tests choose a free port; 0 is off).
void ApplyEnvironment(CRemoteControl::Config& config) {
    bool ok = false;
    const int port = qEnvironmentVariableIntValue("PADORA_OSC_PORT", &ok);
    if (ok)
        config.nPort = port;
}

// "PADORA_WEB_PORT" stands in for "Web"/"Port" likewise.
CWebRemote::Config WebConfig(const CSettingsFile& settings) {
    const CWebSettings web = CWebSettings::Load(settings);
    CWebRemote::Config config{web.nPort, web.strBind, web.bPairLocal};
    bool ok = false;
    const int port = qEnvironmentVariableIntValue("PADORA_WEB_PORT", &ok);
    if (ok)
        config.nPort = port;
    return config;
}

} // namespace

CShowRemotes::CShowRemotes(CShowSession* pSession)
    : m_remote(pSession), m_midi(pSession), m_triggers(pSession), m_link(*pSession), m_follower(*pSession),
      m_web(pSession) {}

QString CShowRemotes::MirrorStatus() const {
    QStringList marks;
    if (m_link.IsRunning())
        marks << m_link.StatusText();
    if (m_follower.IsRunning())
        marks << m_follower.StatusText();
    return marks.join(QLatin1Char(' '));
}

void CShowRemotes::SetMirrorChanged(std::function<void()> changed) {
    m_link.SetStateChanged(changed);
    m_follower.SetStateChanged(std::move(changed));
}

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

    const CWebRemote::Config web = WebConfig(settings);
    if (!m_bStarted || !(web == m_webConfig)) {
        m_webConfig = web;
        if (m_web.Start(web)) {
            // Where to point a browser, and the code for one on another machine, for an operator who
            // started Padora from a terminal.
            QTextStream(stderr) << "padora: "
                                << QCoreApplication::translate("CShowRemotes",
                                                               "ブラウザ リモート: %1 (コード %2)")
                                       .arg(m_web.Url(), m_web.Code())
                                << '\n';
        } else if (!m_web.Message().isEmpty()) {
            QTextStream(stderr) << "padora: " << m_web.Message() << '\n';
            if (CWebSettings::NamesWeb(settings))
                messages << m_web.Message();
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
    // The backup link: restarted only when its settings changed, so that a link that runs stays up.
    const CMirrorSettings link = CMirrorSettings::Load(settings);
    if (!m_bStarted || link.peers != m_mirrorConfig.peers || !(link.main == m_mirrorConfig.main) ||
        link.nPort != m_mirrorConfig.nPort) {
        m_mirrorConfig = link;
        m_link.Stop();
        m_follower.Stop();
        QStringList told = link.errors;
        // A machine that is both takes the link's port as a backup; as a main it sends from a port of
        // its own choosing then (its backups name no port for it).
        const bool both = link.IsMain() && link.IsBackup();
        if (link.IsBackup() && !m_follower.Start(link))
            told << m_follower.Message();
        if (link.IsMain()) {
            CMirrorSettings asMain = link;
            if (both)
                asMain.nPort = 0;
            if (!m_link.Start(asMain) || !m_link.Message().isEmpty())
                told << m_link.Message();
        }
        // Asked for in Padora.INI: the operator is told of every failure in a box as well.
        for (const QString& m : told)
            QTextStream(stderr) << "padora: " << m << '\n';
        messages << told;
    }
    m_bStarted = true;
    return messages;
}
