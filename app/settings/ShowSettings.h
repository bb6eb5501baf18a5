#pragma once

#include "app/settings/Option.h"

// How the show runs across groups: section "Show" of Padora.INI. KeepPlaying 1: selecting another group
// leaves the sounds playing in the group left playing on; 0 (the default): a switch stops them.
class CShowSettings {
public:
    bool bKeepPlaying = false;

    // Reads the section; a missing key or any value but 1 gives the default. UI thread.
    static CShowSettings Load(const CSettingsFile& settings);
    // One atomic rewrite of the file keeping its other lines, and only when the file does not already
    // read as these values (a file without the section keeps its bytes while the option stays off).
    // False when the file could not be written. UI thread.
    bool Save(const CSettingsFile& settings) const;

    bool operator==(const CShowSettings&) const = default;
};
