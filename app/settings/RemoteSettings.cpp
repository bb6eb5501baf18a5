#include "app/settings/RemoteSettings.h"

#include "platform/Profile.h"

namespace {

const QString kSection = QStringLiteral("Remote");
const QString kKeyOscPort = QStringLiteral("OscPort");
const QString kKeyOscBind = QStringLiteral("OscBind");
const QString kKeyMidiApi = QStringLiteral("MidiApi");
const QString kKeyMidiIn = QStringLiteral("MidiIn");
const QString kKeyMidiOut = QStringLiteral("MidiOut");
// Fixed buffers bound what a damaged file can make of a value.
constexpr int kBindBufferBytes = 64;
constexpr int kPortNameBufferBytes = 128;
constexpr int kBindingBufferBytes = 64;
constexpr int kPadCount = 10;
constexpr int kFaderCount = 10;

bool NamesAny(const CSettingsFile& settings, std::initializer_list<QString> keys) {
    const auto profile = settings.Document();
    for (const QString& key : keys)
        if (profile->HasKey(kSection, key))
            return true;
    return false;
}

} // namespace

QString CRemoteSettings::MapKey(int role) {
    if (role >= CMidiMap::kPadFirst && role < CMidiMap::kPadFirst + kPadCount)
        return QStringLiteral("MidiPad%1").arg(role - CMidiMap::kPadFirst + 1);
    if (role == CMidiMap::kStop)
        return QStringLiteral("MidiStop");
    if (role >= CMidiMap::kFaderFirst && role < CMidiMap::kFaderFirst + kFaderCount)
        return QStringLiteral("MidiFader%1").arg(role - CMidiMap::kFaderFirst + 1);
    return QStringLiteral("MidiMaster");
}

CRemoteSettings CRemoteSettings::Read(const platform::CProfileFile& profile) {
    CRemoteSettings r;
    r.nOscPort = profile.GetInt(kSection, kKeyOscPort, kDefaultOscPort);
    r.strOscBind = profile.GetString(kSection, kKeyOscBind, r.strOscBind, kBindBufferBytes).trimmed();
    if (r.strOscBind.isEmpty())
        r.strOscBind = QString::fromLatin1(kDefaultOscBind);
    auto port = [&](const QString& key, const QString& def) {
        return profile.GetString(kSection, key, def, kPortNameBufferBytes).trimmed();
    };
    r.strMidiApi = port(kKeyMidiApi, r.strMidiApi);
    r.strMidiIn = port(kKeyMidiIn, QString());
    r.strMidiOut = port(kKeyMidiOut, QString());
    std::array<CMidiMap::Binding, CMidiMap::kRoleCount> bindings{};
    for (int role = 0; role < CMidiMap::kRoleCount; ++role)
        bindings[static_cast<size_t>(role)] = CMidiMap::Binding::FromText(
            profile.GetString(kSection, MapKey(role), QString(), kBindingBufferBytes));
    r.map = CMidiMap(bindings);
    return r;
}

CRemoteSettings CRemoteSettings::Load(const CSettingsFile& settings) {
    return Read(*settings.Document());
}

bool CRemoteSettings::Save(const CSettingsFile& settings) const {
    platform::CProfileFile profile(settings.Path());
    // A settings file that exists but cannot be read is left alone rather than replaced.
    if (!settings.LoadForWrite(profile))
        return false;
    const CRemoteSettings stored = Read(profile);
    auto put = [&](const QString& key, const QString& value, bool differs) {
        if (differs)
            profile.SetString(kSection, key, value);
    };
    put(kKeyOscPort, QString::number(nOscPort), nOscPort != stored.nOscPort);
    put(kKeyOscBind, strOscBind.trimmed(), strOscBind.trimmed() != stored.strOscBind);
    put(kKeyMidiApi, strMidiApi, strMidiApi != stored.strMidiApi);
    put(kKeyMidiIn, strMidiIn, strMidiIn != stored.strMidiIn);
    put(kKeyMidiOut, strMidiOut, strMidiOut != stored.strMidiOut);
    for (int role = 0; role < CMidiMap::kRoleCount; ++role)
        put(MapKey(role), map.At(role).ToText(), !(map.At(role) == stored.map.At(role)));
    return settings.Save(profile);
}

bool CRemoteSettings::NamesOsc(const CSettingsFile& settings) {
    return NamesAny(settings, {kKeyOscPort, kKeyOscBind});
}

bool CRemoteSettings::NamesMidiPorts(const CSettingsFile& settings) {
    return NamesAny(settings, {kKeyMidiApi, kKeyMidiIn, kKeyMidiOut});
}
