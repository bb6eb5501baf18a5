#include "app/settings/Option.h"

#include "platform/Profile.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>
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
    return file.Document()->GetString(kSectionFilePath, key, current, kFolderBufferBytes);
}

BOOL SetFolder(const QString& key, const QString& folder, const CSettingsFile& file) {
    platform::CProfileFile profile(file.Path());
    if (!file.LoadForWrite(profile))
        return FALSE;
    profile.SetString(kSectionFilePath, key, folder);
    return file.Save(profile) ? TRUE : FALSE;
}

} // namespace

CSettingsFile::CSettingsFile() : CSettingsFile(QStringLiteral("Padora.INI")) {}

CSettingsFile::CSettingsFile(QString path)
    : m_strPath(std::move(path)), m_pState(std::make_shared<State>()) {}

std::shared_ptr<platform::CProfileFile> CSettingsFile::Read(bool& usable) const {
    auto doc = std::make_shared<platform::CProfileFile>(m_strPath);
    const auto status = doc->Load(kMaxBytes);
    usable = status == platform::CProfileFile::LoadStatus::Ok;
    if (!usable) {
        // A refused file leaves an empty document: every setting reads as its default.
        doc = std::make_shared<platform::CProfileFile>(m_strPath);
        if (!m_pState->bReported) {
            m_pState->bReported = true;
            const char* text =
                status == platform::CProfileFile::LoadStatus::TooLarge ? kTooLargeText : kUnreadableText;
            QTextStream(stderr) << "padora: " << m_strPath << ": "
                                << QCoreApplication::translate("CSettingsFile", text) << '\n';
        }
    }
    return doc;
}

std::shared_ptr<const platform::CProfileFile> CSettingsFile::Document() const {
    if (m_pState->pDocument)
        return m_pState->pDocument;
    bool usable = false;
    std::shared_ptr<const platform::CProfileFile> doc = Read(usable);
    if (m_pState->nScopes > 0)
        m_pState->pDocument = doc;
    return doc;
}

bool CSettingsFile::LoadForWrite(platform::CProfileFile& doc) const {
    return doc.Load(kMaxBytes) == platform::CProfileFile::LoadStatus::Ok;
}

bool CSettingsFile::Save(const platform::CProfileFile& doc) const {
    if (!doc.Save())
        return false;
    if (m_pState->nScopes > 0)
        m_pState->pDocument = std::make_shared<platform::CProfileFile>(doc);
    return true;
}

CSettingsFile::CLoadScope::CLoadScope(const CSettingsFile& settings) : m_pState(settings.m_pState) {
    ++m_pState->nScopes;
}

CSettingsFile::CLoadScope::~CLoadScope() {
    if (--m_pState->nScopes == 0)
        m_pState->pDocument.reset();
}

int LoadOption(OPTIONDATA& option, const CSettingsFile& file) {
    option = OPTIONDATA{};
    const auto document = file.Document();
    const platform::CProfileFile& profile = *document;
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
    if (!file.LoadForWrite(profile))
        return 0;
    QStringList keys;
    for (int key : option.nVKey)
        keys << QString::number(key);
    profile.SetString(kSectionOption, kKeyVKey, keys.join(u','));
    for (const IntKey& key : kIntKey)
        profile.SetString(kSectionOption, QString::fromLatin1(key.pszKey),
                          QString::number(option.*key.pField));
    return file.Save(profile) ? 1 : 0;
}

QString GetGrpFolder(const CSettingsFile& file) {
    return GetFolder(kKeyGrpFolder, file);
}

BOOL SetGrpFolder(const QString& folder, const CSettingsFile& file) {
    return SetFolder(kKeyGrpFolder, folder, file);
}

QString GetSndFolder(const CSettingsFile& file) {
    return GetFolder(kKeySndFolder, file);
}

BOOL SetSndFolder(const QString& folder, const CSettingsFile& file) {
    return SetFolder(kKeySndFolder, folder, file);
}
