#include "app/remote/MidiMap.h"

#include "app/settings/Option.h"
#include "platform/Profile.h"

namespace {

const QString kSection = QStringLiteral("Remote");
constexpr int kTextBytes = 64;
constexpr unsigned char kNoteOn = 0x90;
constexpr unsigned char kControlChange = 0xB0;
constexpr int kMidiChannels = 16;
constexpr int kMaxNumber = 127;

} // namespace

QString CMidiMap::Binding::ToText() const {
    switch (kind) {
    case Kind::Note:
        return QStringLiteral("note %1 %2").arg(channel + 1).arg(number);
    case Kind::Control:
        return QStringLiteral("cc %1 %2").arg(channel + 1).arg(number);
    case Kind::None:
        break;
    }
    return QString();
}

CMidiMap::Binding CMidiMap::Binding::FromText(const QString& text) {
    const QStringList f = text.simplified().split(QLatin1Char(' '));
    Binding b;
    if (f.size() != 3)
        return b;
    bool okC = false, okN = false;
    const int channel = f[1].toInt(&okC) - 1;
    const int number = f[2].toInt(&okN);
    if (!okC || !okN || channel < 0 || channel >= kMidiChannels || number < 0 || number > kMaxNumber)
        return b;
    if (f[0].compare(QLatin1String("note"), Qt::CaseInsensitive) == 0)
        b.kind = Kind::Note;
    else if (f[0].compare(QLatin1String("cc"), Qt::CaseInsensitive) == 0)
        b.kind = Kind::Control;
    else
        return b;
    b.channel = channel;
    b.number = number;
    return b;
}

std::optional<CMidiMap::Binding> CMidiMap::BindingOf(unsigned char status, unsigned char data1) {
    const unsigned char type = status & 0xF0;
    Binding b;
    if (type == kNoteOn)
        b.kind = Binding::Kind::Note;
    else if (type == kControlChange)
        b.kind = Binding::Kind::Control;
    else
        return std::nullopt;
    b.channel = status & 0x0F;
    b.number = data1 & kMaxNumber;
    return b;
}

void CMidiMap::Set(int role, const Binding& b) {
    Q_ASSERT(role >= 0 && role < kRoleCount);
    if (b.kind != Binding::Kind::None)
        for (Binding& other : m_aBinding)
            if (other == b)
                other = Binding();
    m_aBinding[static_cast<size_t>(role)] = b;
}

int CMidiMap::RoleOf(const Binding& b) const {
    if (b.kind == Binding::Kind::None)
        return -1;
    for (int r = 0; r < kRoleCount; ++r)
        if (m_aBinding[static_cast<size_t>(r)] == b)
            return r;
    return -1;
}

QString CMidiMap::KeyOf(int role) {
    if (role >= kPadFirst && role < kPadFirst + 10)
        return QStringLiteral("MidiPad%1").arg(role - kPadFirst + 1);
    if (role == kStop)
        return QStringLiteral("MidiStop");
    if (role >= kFaderFirst && role < kFaderFirst + 10)
        return QStringLiteral("MidiFader%1").arg(role - kFaderFirst + 1);
    return QStringLiteral("MidiMaster");
}

void CMidiMap::Load(const CSettingsFile& settings) {
    const auto profile = settings.Document();
    for (int r = 0; r < kRoleCount; ++r)
        m_aBinding[static_cast<size_t>(r)] =
            Binding::FromText(profile->GetString(kSection, KeyOf(r), QString(), kTextBytes));
}

bool CMidiMap::Save(const CSettingsFile& settings) const {
    // One rewrite of the file for all roles, keeping its other lines.
    platform::CProfileFile profile(settings.Path());
    if (!settings.LoadForWrite(profile))
        return false;
    for (int r = 0; r < kRoleCount; ++r)
        profile.SetStringUnlessDefault(kSection, KeyOf(r), At(r).ToText(), QString());
    return settings.Save(profile);
}
