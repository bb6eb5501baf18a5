#include "app/settings/WebSettings.h"

#include "platform/Profile.h"

namespace {

const QString kSection = QStringLiteral("Web");
const QString kKeyPort = QStringLiteral("Port");
const QString kKeyBind = QStringLiteral("Bind");
const QString kKeyPairLocal = QStringLiteral("PairLocal");
// A fixed buffer bounds what a damaged file can make of the address.
constexpr int kBindBufferBytes = 64;
constexpr int kMaxPort = 65535;

} // namespace

CWebSettings CWebSettings::Read(const platform::CProfileFile& profile) {
    CWebSettings w;
    w.nPort = profile.GetInt(kSection, kKeyPort, kDefaultPort);
    // A port no socket can have is off, not a wrapped-round number.
    if (w.nPort < 0 || w.nPort > kMaxPort)
        w.nPort = 0;
    w.strBind = profile.GetString(kSection, kKeyBind, w.strBind, kBindBufferBytes).trimmed();
    if (w.strBind.isEmpty())
        w.strBind = QString::fromLatin1(kDefaultBind);
    w.bPairLocal = profile.GetInt(kSection, kKeyPairLocal, 0) == 1;
    return w;
}

CWebSettings CWebSettings::Load(const CSettingsFile& settings) {
    return Read(*settings.Document());
}

bool CWebSettings::Save(const CSettingsFile& settings) const {
    platform::CProfileFile profile(settings.Path());
    // A settings file that exists but cannot be read is left alone rather than replaced.
    if (!settings.LoadForWrite(profile))
        return false;
    const CWebSettings stored = Read(profile);
    if (stored == *this)
        return true;
    if (nPort != stored.nPort)
        profile.SetString(kSection, kKeyPort, QString::number(nPort));
    if (strBind.trimmed() != stored.strBind)
        profile.SetString(kSection, kKeyBind, strBind.trimmed());
    if (bPairLocal != stored.bPairLocal)
        profile.SetString(kSection, kKeyPairLocal, bPairLocal ? QStringLiteral("1") : QStringLiteral("0"));
    return settings.Save(profile);
}

bool CWebSettings::NamesWeb(const CSettingsFile& settings) {
    const auto profile = settings.Document();
    return profile->HasKey(kSection, kKeyPort) || profile->HasKey(kSection, kKeyBind);
}
