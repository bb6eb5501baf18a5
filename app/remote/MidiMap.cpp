#include "app/remote/MidiMap.h"

#include <QStringList>

namespace {

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
