#include "app/settings/Option.h"

#include "platform/Profile.h"

#include <QDir>
#include <algorithm>
#include <climits>
#include <iterator>

namespace {

const QString kSectionOption = QStringLiteral("Option");
const QString kSectionFilePath = QStringLiteral("FilePath");
const QString kKeyVKey = QStringLiteral("VKey");
const QString kKeyGrpFolder = QStringLiteral("GrpFolder");
const QString kKeySndFolder = QStringLiteral("SndFolder");

constexpr int kVKeyBufferBytes = 256;
// Folders are paths: read up to PATH_MAX, never cut at the desktop's 260 bytes.
constexpr int kFolderBufferBytes = PATH_MAX;

// The thirteen single-number keys in file order, with their defaults.
struct IntKey {
    const char* pszKey;
    int OPTIONDATA::*pField;
    int nDefault;
};
constexpr IntKey kIntKey[] = {
    {"MasterKey", &OPTIONDATA::nMasterKey, 77},    {"StopKey", &OPTIONDATA::nStopKey, 17},
    {"AllStopKey", &OPTIONDATA::nAllStopKey, 32},  {"GrpBackKey", &OPTIONDATA::nGrpBackKey, 37},
    {"GrpNextKey", &OPTIONDATA::nGrpNextKey, 39},  {"VolUpKey", &OPTIONDATA::nVolUpKey, 38},
    {"VolDownKey", &OPTIONDATA::nVolDownKey, 40},  {"VolVal", &OPTIONDATA::nVolVal, 1},
    {"GetNoActive", &OPTIONDATA::bGetNoActive, 1}, {"GetNAKey", &OPTIONDATA::bGetNAKey, 1},
    {"GetNAStop", &OPTIONDATA::bGetNAStop, 0},     {"GetNAGrp", &OPTIONDATA::bGetNAGrp, 0},
    {"Relative", &OPTIONDATA::bRelative, 0},
};

// Scans "%d,%d,...": each number may have leading blanks and a sign; scanning stops at the first
// text that does not fit, and the keys after it stay 0.
void ScanVKeys(const QString& text, int (&aKey)[10]) {
    qsizetype i = 0;
    for (int n = 0; n < 10; ++n) {
        if (n > 0) {
            if (i >= text.size() || text.at(i) != u',')
                return;
            ++i;
        }
        while (i < text.size() && text.at(i).isSpace())
            ++i;
        qsizetype digits = i;
        if (digits < text.size() && (text.at(digits) == u'-' || text.at(digits) == u'+'))
            ++digits;
        qsizetype end = digits;
        while (end < text.size() && text.at(end) >= u'0' && text.at(end) <= u'9')
            ++end;
        if (end == digits)
            return;
        aKey[n] = platform::ParseLeadingInt(text.mid(i, end - i));
        i = end;
    }
}

QString GetFolder(const QString& key, const CSettingsFile& file) {
    const QString current = QDir::currentPath();
    return platform::GetPrivateProfileString(kSectionFilePath, key, current, kFolderBufferBytes, file.Path());
}

} // namespace

int LoadOption(OPTIONDATA& option, const CSettingsFile& file) {
    option = OPTIONDATA{};
    platform::CProfileFile profile(file.Path());
    profile.Load();
    if (profile.HasKey(kSectionOption, kKeyVKey))
        ScanVKeys(profile.GetString(kSectionOption, kKeyVKey, QString(), kVKeyBufferBytes), option.nVKey);
    else
        std::copy(std::begin(kDefaultVKey), std::end(kDefaultVKey), option.nVKey);
    for (const IntKey& key : kIntKey)
        option.*key.pField = profile.GetInt(kSectionOption, QString::fromLatin1(key.pszKey), key.nDefault);
    return 1;
}

int SaveOption(const OPTIONDATA& option, const CSettingsFile& file) {
    platform::CProfileFile profile(file.Path());
    // A settings file that exists but cannot be read is left alone rather than replaced.
    if (!profile.Load())
        return 0;
    QStringList keys;
    for (int key : option.nVKey)
        keys << QString::number(key);
    profile.SetString(kSectionOption, kKeyVKey, keys.join(u','));
    for (const IntKey& key : kIntKey)
        profile.SetString(kSectionOption, QString::fromLatin1(key.pszKey),
                          QString::number(option.*key.pField));
    return profile.Save() ? 1 : 0;
}

QString GetGrpFolder(const CSettingsFile& file) {
    return GetFolder(kKeyGrpFolder, file);
}

BOOL SetGrpFolder(const QString& folder, const CSettingsFile& file) {
    return platform::WritePrivateProfileString(kSectionFilePath, kKeyGrpFolder, folder, file.Path());
}

QString GetSndFolder(const CSettingsFile& file) {
    return GetFolder(kKeySndFolder, file);
}

BOOL SetSndFolder(const QString& folder, const CSettingsFile& file) {
    return platform::WritePrivateProfileString(kSectionFilePath, kKeySndFolder, folder, file.Path());
}
