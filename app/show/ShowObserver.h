#pragma once

#include "playkit/AdxResult.h"

#include <QString>

// What changed on a channel strip, for whoever paints it.
enum class EShowChange {
    Strip,    // a load began: the volume, pan, speed and R / FI / FO are shown again
    Loaded,   // the channel holds a sound now: its meter gets its ranges and rests
    Volume,   // the channel's volume (its fader and row)
    Pan,      // the channel's pan (its knob and row)
    Rate,     // the channel's speed (its knob and row)
    Switches, // R / FI / FO
    Row,      // a figure only the monitor list shows (the time played, the loudness)
};

// Told what the show did; every call comes on the UI thread, inside the command that caused it.
class IShowObserver {
public:
    virtual void OnChannelChanged(int /*i*/, EShowChange /*what*/) {}
    // The pad of channel i shows state (CChannelData::kNoMedia, kStopped or kPlaying). A stop shows at
    // once; the channel's play state follows at the next step of the loop.
    virtual void OnPadChanged(int /*i*/, int /*state*/) {}
    // The meter of channel i shows level dB.
    virtual void OnMeterChanged(int /*i*/, int /*level*/) {}
    virtual void OnMasterChanged(int /*master*/) {}
    // Group index is current: its players were closed (loaded false), then its sounds loaded (true).
    virtual void OnGroupChanged(int /*index*/, bool /*loaded*/) {}
    // The player did not open file; result: what its Open returned.
    virtual void OnOpenFailed(const QString& /*file*/, AdxResult /*result*/) {}
    // A set just loaded has channels on output pairs the output lacks; they play on 1–2. text says so,
    // once for the load.
    virtual void OnOutputPairsMissing(const QString& /*text*/) {}
    // The sound card was lost (the engine plays on the clock) or is back.
    virtual void OnOutputLost(bool /*lost*/) {}
    // The sounds that play in other groups than the shown one changed (their count, or their groups).
    virtual void OnBackgroundChanged() {}
    // The cue output began (on) or ended auditioning channel i's sound (CCueAudition::kNoChannel: a
    // file of the channel dialog).
    virtual void OnAuditionChanged(int /*i*/, bool /*on*/) {}

protected:
    ~IShowObserver() = default;
};

// What the session needs of the program that shows it. UI thread.
class IShowHost {
public:
    // Loads the current group's channels, each through CShowSession::LoadChannel (the window shows its
    // loader meanwhile).
    virtual void RunLoad() = 0;
    // True while the host runs a handler of its own (a modal window it opened): remote commands that
    // would change the show are refused then.
    virtual bool IsBusy() const = 0;

protected:
    ~IShowHost() = default;
};
