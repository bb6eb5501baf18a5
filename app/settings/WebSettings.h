#pragma once

#include "app/settings/Option.h"

#include <QString>

namespace platform {
class CProfileFile;
}

// The browser remote: section "Web" of Padora.INI. It listens on Port (0, the default: off) at Bind;
// PairLocal 1 asks browsers on this machine for the pairing code too (by default only browsers
// elsewhere on the network are asked).
class CWebSettings {
public:
    static constexpr int kDefaultPort = 0;
    static constexpr const char* kDefaultBind = "127.0.0.1";

    int nPort = kDefaultPort;
    QString strBind = QString::fromLatin1(kDefaultBind); // never empty
    bool bPairLocal = false;

    // Reads the section; a missing key gives its default. UI thread.
    static CWebSettings Load(const CSettingsFile& settings);
    // One atomic rewrite of the file keeping its other lines; a key is written only when the file does
    // not already read as its value. False when the file could not be written. UI thread.
    bool Save(const CSettingsFile& settings) const;
    // Whether the file names the port or the address: a failure to listen is then worth a message.
    static bool NamesWeb(const CSettingsFile& settings);

    bool operator==(const CWebSettings&) const = default;

private:
    static CWebSettings Read(const platform::CProfileFile& profile);
};
