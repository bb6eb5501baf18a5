#pragma once

#include "app/remote/MidiControl.h"
#include "app/remote/RemoteControl.h"
#include "app/remote/TriggerControl.h"
#include "app/remote/WebRemote.h"
#include "app/settings/Option.h"

#include <QStringList>

// The OSC, MIDI and browser controls of a show, started as Padora.INI says, and its command-line
// triggers. UI thread.
class CShowRemotes {
public:
    // pSession: what their commands act on (not owned; outlives this).
    explicit CShowRemotes(CShowSession* pSession);

    // Starts OSC and MIDI, again only where their settings changed since the last start (so that remotes
    // that asked for the state stay told, and connections made by hand stay). What the operator must be
    // told (failures of what Padora.INI asked for), one message each; the others go to standard error.
    QStringList Start(const CSettingsFile& settings);

    CRemoteControl* Remote() { return &m_remote; }
    CMidiControl* Midi() { return &m_midi; }
    CTriggerControl* Triggers() { return &m_triggers; }
    CWebRemote* Web() { return &m_web; }

private:
    CRemoteControl m_remote;
    CMidiControl m_midi;
    CTriggerControl m_triggers;
    CWebRemote m_web;
    bool m_bStarted = false;
    CRemoteControl::Config m_oscConfig; // as last started
    CMidiControl::Config m_midiConfig;
    CWebRemote::Config m_webConfig;
};
