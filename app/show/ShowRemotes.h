#pragma once

#include "app/remote/MidiControl.h"
#include "app/remote/RemoteControl.h"
#include "app/remote/TriggerControl.h"
#include "app/settings/Option.h"

#include <QStringList>

// The OSC and MIDI controls of a show, started as Padora.INI says, and its command-line triggers. UI
// thread.
class CShowRemotes {
public:
    // pTarget: what their commands act on (not owned; outlives this).
    explicit CShowRemotes(IRemoteTarget* pTarget);

    // Starts OSC and MIDI, again only where their settings changed since the last start (so that remotes
    // that asked for the state stay told, and connections made by hand stay). What the operator must be
    // told (failures of what Padora.INI asked for), one message each; the others go to standard error.
    QStringList Start(const CSettingsFile& settings);

    CRemoteControl* Remote() { return &m_remote; }
    CMidiControl* Midi() { return &m_midi; }
    CTriggerControl* Triggers() { return &m_triggers; }

private:
    CRemoteControl m_remote;
    CMidiControl m_midi;
    CTriggerControl m_triggers;
    bool m_bStarted = false;
    CRemoteControl::Config m_oscConfig; // as last started
    CMidiControl::Config m_midiConfig;
};
