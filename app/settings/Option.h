#pragma once

#include "platform/WinTypes.h"

#include <QString>

#include <memory>

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

namespace platform {
class CProfileFile;
}

// Where the settings live. The default is "Padora.INI" in the process's current directory, taken
// at each access (the program keeps the start directory current). Tests pass their own path.
// Copies share one state: a load opened on one is seen by all. UI thread.
class CSettingsFile {
    struct State;

public:
    // A settings file larger than this is not read (a damaged or foreign file): the defaults are
    // used, it is never written over, and standard error says so once.
    static constexpr qint64 kMaxBytes = 4 * 1024 * 1024;
    static constexpr const char* kTooLargeText = QT_TRANSLATE_NOOP(
        "CSettingsFile",
        "設定ファイルが大きすぎるため読み込みません。既定の設定を使います (ファイルはそのままです)。");
    static constexpr const char* kUnreadableText = QT_TRANSLATE_NOOP(
        "CSettingsFile", "設定ファイルを読み込めません。既定の設定を使います (ファイルはそのままです)。");

    CSettingsFile();
    explicit CSettingsFile(QString path);
    const QString& Path() const { return m_strPath; }

    // The parsed file for lookups: while a CLoadScope is open, the one read at its first lookup;
    // otherwise read now. Empty when the file is missing or refused.
    std::shared_ptr<const platform::CProfileFile> Document() const;
    // Reads the file into doc (bound to Path) to rewrite it; false when it must be left as it is
    // (too large, not a regular file, unreadable).
    bool LoadForWrite(platform::CProfileFile& doc) const;
    // Writes doc back atomically; an open load reads what was written.
    bool Save(const platform::CProfileFile& doc) const;

    // One load of the settings (the program's start): the file is read and parsed once for all the
    // lookups made while the scope is open.
    class CLoadScope {
    public:
        explicit CLoadScope(const CSettingsFile& settings);
        ~CLoadScope();
        CLoadScope(const CLoadScope&) = delete;
        CLoadScope& operator=(const CLoadScope&) = delete;

    private:
        std::shared_ptr<State> m_pState;
    };

private:
    struct State {
        std::shared_ptr<const platform::CProfileFile> pDocument; // while a scope is open
        int nScopes = 0;
        bool bReported = false; // a refusal was said on standard error
    };
    std::shared_ptr<platform::CProfileFile> Read(bool& usable) const;

    QString m_strPath;
    std::shared_ptr<State> m_pState;
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
