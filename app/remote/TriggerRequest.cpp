#include "app/remote/TriggerRequest.h"

#include <QList>

#include <array>

namespace {

using Kind = RemoteCommand::Kind;

constexpr int kChannels = RemoteState::kChannels;
constexpr int kMaxVolume = 100;
// Far beyond any set; keeps a group number a plain int.
constexpr int kMaxGroup = 999999;

struct Option {
    const char* name;
    Kind kind;
    int values; // how many values follow it
};
constexpr std::array<Option, 7> kOptions = {{
    {"--pad", Kind::Pad, 1},
    {"--stop", Kind::Stop, 1},
    {"--allstop", Kind::AllStop, 0},
    {"--group", Kind::Group, 1},
    {"--volume", Kind::Volume, 2},
    {"--master", Kind::Master, 1},
    {"--state", Kind::State, 0},
}};

// The option args[i] names ("--pad" or "--pad=1"), or nothing.
const Option* OptionOf(const QString& arg) {
    for (const Option& o : kOptions) {
        const QLatin1String name(o.name);
        if (arg == name || (arg.startsWith(name) && arg.size() > name.size() && arg[name.size()] == u'='))
            return &o;
    }
    return nullptr;
}

// A whole decimal number from lo to hi: digits only, no sign, no blanks.
std::optional<int> Number(QByteArrayView text, int lo, int hi) {
    if (text.isEmpty() || text.size() > 6)
        return std::nullopt;
    int n = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        n = n * 10 + (c - '0');
    }
    if (n < lo || n > hi)
        return std::nullopt;
    return n;
}

std::optional<int> Number(const QString& text, int lo, int hi) {
    for (const QChar c : text)
        if (c.unicode() > 0x7f)
            return std::nullopt;
    return Number(QByteArrayView(text.toLatin1()), lo, hi);
}

CTriggerRequest::Parsed Error(QString text) {
    CTriggerRequest::Parsed p;
    p.result = CTriggerRequest::Parsed::Result::Error;
    p.strError = std::move(text);
    return p;
}

QString ValueError(const Option& o) {
    switch (o.kind) {
    case Kind::Pad:
    case Kind::Stop:
        return QStringLiteral("%1 にはチャンネル番号 (1〜10) を指定してください。")
            .arg(QLatin1String(o.name));
    case Kind::Group:
        return QStringLiteral("--group には next, prev またはグループ番号 (1〜) を指定してください。");
    case Kind::Volume:
        return QStringLiteral("--volume にはチャンネル番号 (1〜10) と音量 (0〜100) を指定してください。");
    case Kind::Master:
        return QStringLiteral("--master には音量 (0〜100) を指定してください。");
    default:
        return QStringLiteral("%1 に値は指定できません。").arg(QLatin1String(o.name));
    }
}

} // namespace

CTriggerRequest::Parsed CTriggerRequest::FromArguments(const QStringList& args) {
    int at = -1;
    for (int i = 0; i < args.size() && args[i] != QLatin1String("--"); ++i)
        if (OptionOf(args[i])) {
            at = i;
            break;
        }
    if (at < 0)
        return {};
    const Option& o = *OptionOf(args[at]);
    const QLatin1String name(o.name);

    // The values: "NAME=FIRST" carries the first; the others follow as arguments of their own.
    QStringList values;
    int next = at + 1;
    if (args[at].size() > name.size())
        values << args[at].mid(name.size() + 1);
    while (values.size() < o.values && next < args.size())
        values << args[next++];
    if (values.size() != o.values)
        return Error(ValueError(o));
    QStringList rest = args.mid(0, at) + args.mid(next);
    if (!rest.isEmpty()) {
        // An argument left over that is another trigger says so; anything else is simply too much.
        for (const QString& r : rest)
            if (OptionOf(r))
                return Error(QStringLiteral("トリガーのオプションは一度に一つだけ指定できます: %1 %2")
                                 .arg(args[at], r));
        return Error(QStringLiteral("%1 は他の引数と一緒に指定できません: %2").arg(name, rest.first()));
    }

    QByteArray line;
    switch (o.kind) {
    case Kind::Pad:
    case Kind::Stop: {
        const auto channel = Number(values[0], 1, kChannels);
        if (!channel)
            return Error(ValueError(o));
        line = (o.kind == Kind::Pad ? "pad " : "stop ") + QByteArray::number(*channel);
        break;
    }
    case Kind::Group:
        if (values[0] == QLatin1String("next") || values[0] == QLatin1String("prev")) {
            line = "group " + values[0].toLatin1();
        } else {
            const auto group = Number(values[0], 1, kMaxGroup);
            if (!group)
                return Error(ValueError(o));
            line = "group " + QByteArray::number(*group);
        }
        break;
    case Kind::Volume: {
        const auto channel = Number(values[0], 1, kChannels);
        const auto volume = Number(values[1], 0, kMaxVolume);
        if (!channel || !volume)
            return Error(ValueError(o));
        line = "volume " + QByteArray::number(*channel) + ' ' + QByteArray::number(*volume);
        break;
    }
    case Kind::Master: {
        const auto volume = Number(values[0], 0, kMaxVolume);
        if (!volume)
            return Error(ValueError(o));
        line = "master " + QByteArray::number(*volume);
        break;
    }
    case Kind::AllStop:
        line = "allstop";
        break;
    default:
        line = "state";
        break;
    }
    Parsed p;
    p.result = Parsed::Result::Request;
    p.line = line + '\n';
    return p;
}

std::optional<RemoteCommand> CTriggerRequest::Decode(QByteArrayView line) {
    if (!line.endsWith('\n'))
        return std::nullopt;
    line.chop(1);
    const QList<QByteArrayView> words = [&] {
        QList<QByteArrayView> w;
        qsizetype from = 0;
        for (qsizetype i = 0; i <= line.size(); ++i)
            if (i == line.size() || line[i] == ' ') {
                w << line.sliced(from, i - from);
                from = i + 1;
            }
        return w;
    }();
    const QByteArrayView verb = words.first();
    auto arg = [&](int i, int lo, int hi) {
        return i < words.size() ? Number(words[i], lo, hi) : std::nullopt;
    };
    std::optional<RemoteCommand> c;
    if (verb == "pad" || verb == "stop") {
        if (const auto n = arg(1, 1, kChannels); n && words.size() == 2)
            c = RemoteCommand{verb == "pad" ? Kind::Pad : Kind::Stop, *n - 1, 0};
    } else if (verb == "allstop" && words.size() == 1) {
        c = RemoteCommand{Kind::AllStop, 0, 0};
    } else if (verb == "state" && words.size() == 1) {
        c = RemoteCommand{Kind::State, 0, 0};
    } else if (verb == "group" && words.size() == 2) {
        if (words[1] == "next")
            c = RemoteCommand{Kind::GroupNext, 0, 0};
        else if (words[1] == "prev")
            c = RemoteCommand{Kind::GroupPrev, 0, 0};
        else if (const auto g = arg(1, 1, kMaxGroup))
            c = RemoteCommand{Kind::Group, *g - 1, 0};
    } else if (verb == "volume" && words.size() == 3) {
        const auto n = arg(1, 1, kChannels);
        const auto v = arg(2, 0, kMaxVolume);
        if (n && v)
            c = RemoteCommand{Kind::Volume, *n - 1, *v};
    } else if (verb == "master" && words.size() == 2) {
        if (const auto v = arg(1, 0, kMaxVolume))
            c = RemoteCommand{Kind::Master, 0, *v};
    }
    return c;
}

QByteArray CTriggerRequest::StateLine(const RemoteState& state) {
    // A tab or line break inside the name would shift the fields or end the line.
    QString name = state.strGroup.left(kMaxNameChars);
    for (QChar& c : name)
        if (c == u'\t' || c == u'\n' || c == u'\r')
            c = u' ';
    QByteArray line = kStatePrefix;
    line += QByteArray::number(state.nGroup + 1) + '\t' + name.toUtf8();
    for (const int play : state.aPlay)
        line += '\t' + QByteArray::number(play);
    line +=
        '\t' + QByteArray::number(state.bBusy ? 1 : 0) + '\t' + QByteArray::number(state.nBackground) + '\n';
    return line;
}
