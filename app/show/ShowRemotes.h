#pragma once

#include "app/remote/MidiControl.h"
#include "app/remote/MirrorFollower.h"
#include "app/remote/MirrorLink.h"
#include "app/remote/RemoteControl.h"
#include "app/remote/TriggerControl.h"
#include "app/remote/WebRemote.h"
#include "app/settings/MirrorSettings.h"
#include "app/settings/Option.h"

#include <QStringList>

#include <functional>

// The OSC, MIDI and browser controls of a show, started as Padora.INI says, its command-line triggers
// and its backup link (this machine as the main, as a backup, or both). UI thread.
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
    CMirrorLink* MirrorLink() { return &m_link; }
    CMirrorFollower* MirrorFollower() { return &m_follower; }
    // The caption's marks of the backup link ("バックアップ: 接続", "主機: 断"), empty without one.
    QString MirrorStatus() const;
    // Runs when MirrorStatus changed.
    void SetMirrorChanged(std::function<void()> changed);
    CWebRemote* Web() { return &m_web; }

private:
    CRemoteControl m_remote;
    CMidiControl m_midi;
    CTriggerControl m_triggers;
    CMirrorLink m_link;
    CMirrorFollower m_follower;
    CWebRemote m_web;
    bool m_bStarted = false;
    CMirrorSettings m_mirrorConfig;
    CRemoteControl::Config m_oscConfig; // as last started
    CMidiControl::Config m_midiConfig;
    CWebRemote::Config m_webConfig;
};
