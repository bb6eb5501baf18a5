#pragma once

#include "app/remote/MidiMap.h"
#include "app/settings/Option.h"

#include <QString>

namespace platform {
class CProfileFile;
}

// The remote control: section "Remote" of Padora.INI. OSC listens on OscPort (0: off) at OscBind;
// MIDI goes through MidiApi ("alsa", "jack" or "off") and connects to the controller ports whose names
// hold MidiIn and MidiOut; the map is one key per role (MidiPad1..MidiPad10, MidiStop,
// MidiFader1..MidiFader10, MidiMaster) holding "note <channel 1-16> <number>" or "cc <channel> <number>".
class CRemoteSettings {
public:
    static constexpr int kDefaultOscPort = 9000;
    static constexpr const char* kDefaultOscBind = "127.0.0.1";
    static constexpr const char* kDefaultMidiApi = "alsa";

    int nOscPort = kDefaultOscPort;
    QString strOscBind = QString::fromLatin1(kDefaultOscBind); // never empty
    QString strMidiApi = QString::fromLatin1(kDefaultMidiApi); // as written, trimmed
    QString strMidiIn;
    QString strMidiOut;
    CMidiMap map;

    // Reads the section; a missing key gives its default. UI thread.
    static CRemoteSettings Load(const CSettingsFile& settings);
    // One atomic rewrite of the file keeping its other lines. A key is written only when the file does
    // not already read as its value, so a key left at its default stays out of a file that lacks it and
    // a file that nothing changed keeps its bytes. False when the file could not be written. UI thread.
    bool Save(const CSettingsFile& settings) const;

    // Whether the file names OSC's keys, or MIDI's port keys (not the map's): the operator asked for
    // them, so that a failure to have them is worth a message. UI thread.
    static bool NamesOsc(const CSettingsFile& settings);
    static bool NamesMidiPorts(const CSettingsFile& settings);

    // The key of a role of the map.
    static QString MapKey(int role);

private:
    static CRemoteSettings Read(const platform::CProfileFile& profile);
};
