#pragma once

#include "platform/WinTypes.h"

#include <QString>

// The settings record: key assignments and switches of section "Option" of Padora.INI.
// Twenty-three signed 32-bit integers in this order; all of them read 0 after a failed scan.
struct OPTIONDATA {
    int nVKey[10];    // channel keys of channels 0 to 9, virtual-key codes (0 = no key)
    int nMasterKey;   // master key
    int nStopKey;     // stop key (held)
    int nAllStopKey;  // all-stop key
    int nGrpBackKey;  // previous-group key
    int nGrpNextKey;  // next-group key
    int nVolUpKey;    // volume-up key (held)
    int nVolDownKey;  // volume-down key (held)
    int nVolVal;      // volume step per key press, 0 to 100 scale
    int bGetNoActive; // capture keys while another program has the focus
    int bGetNAKey;    // ... for the channel keys
    int bGetNAStop;   // ... for the stop keys
    int bGetNAGrp;    // ... for the group keys
    int bRelative;    // store sound paths relative to the group file
};

// Where the settings live. The default is "Padora.INI" in the process's current directory, taken
// at each access (the program keeps the start directory current). Tests pass their own path.
class CSettingsFile {
public:
    CSettingsFile() : m_strPath(QStringLiteral("Padora.INI")) {}
    explicit CSettingsFile(QString path) : m_strPath(std::move(path)) {}
    const QString& Path() const { return m_strPath; }

private:
    QString m_strPath;
};

inline constexpr int kDefaultVKey[10] = {97, 98, 99, 100, 101, 102, 103, 104, 105, 96};

// Reads section "Option"; missing keys give their defaults. Returns 1. UI thread.
int LoadOption(OPTIONDATA& option, const CSettingsFile& file = CSettingsFile());

// Writes all fourteen keys of section "Option" in one atomic rewrite of the file, keeping its
// other lines. Returns 1 when written, 0 when not (a file that exists but cannot be read, a folder
// that cannot be written, a full disk); the old file is then as it was. UI thread.
int SaveOption(const OPTIONDATA& option, const CSettingsFile& file = CSettingsFile());

// "FilePath"/"GrpFolder" and "FilePath"/"SndFolder": the last folders used by the file dialogs.
// The getters default to the current directory; the setters return the write's result.
QString GetGrpFolder(const CSettingsFile& file = CSettingsFile());
BOOL SetGrpFolder(const QString& folder, const CSettingsFile& file = CSettingsFile());
QString GetSndFolder(const CSettingsFile& file = CSettingsFile());
BOOL SetSndFolder(const QString& folder, const CSettingsFile& file = CSettingsFile());
