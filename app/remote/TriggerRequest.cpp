#include "app/remote/TriggerRequest.h"

#include <array>

namespace {

enum class Kind { Pad, Stop, AllStop, Group, Volume, Master, State };

struct Option {
    std::string_view name;
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

// The option arg names ("--pad" or "--pad=1"), or nothing.
const Option* OptionOf(std::string_view arg) {
    for (const Option& o : kOptions)
        if (arg == o.name ||
            (arg.starts_with(o.name) && arg.size() > o.name.size() && arg[o.name.size()] == '='))
            return &o;
    return nullptr;
}

CTriggerRequest::Parsed Error(TriggerMessage message) {
    CTriggerRequest::Parsed p;
    p.result = CTriggerRequest::Parsed::Result::Error;
    p.error = std::move(message);
    return p;
}

TriggerMessage ValueError(const Option& o) {
    const std::string name(o.name);
    switch (o.kind) {
    case Kind::Pad:
    case Kind::Stop:
        return {PADORA_TRANSLATE_NOOP("CTriggerClient", "%1 にはチャンネル番号 (1〜10) を指定してください。"),
                {name}};
    case Kind::Group:
        return {
            PADORA_TRANSLATE_NOOP("CTriggerClient",
                                  "--group には next, prev またはグループ番号 (1〜) を指定してください。"),
            {}};
    case Kind::Volume:
        return {
            PADORA_TRANSLATE_NOOP("CTriggerClient",
                                  "--volume にはチャンネル番号 (1〜10) と音量 (0〜100) を指定してください。"),
            {}};
    case Kind::Master:
        return {PADORA_TRANSLATE_NOOP("CTriggerClient", "--master には音量 (0〜100) を指定してください。"),
                {}};
    default:
        return {PADORA_TRANSLATE_NOOP("CTriggerClient", "%1 に値は指定できません。"), {name}};
    }
}

} // namespace

std::string TriggerMessage::With(std::string_view translated) const {
    // %1 to %9, each replaced once wherever it stands; a value is never read for markers of its own.
    std::string out;
    for (std::size_t i = 0; i < translated.size(); ++i) {
        const char c = translated[i];
        if (c == '%' && i + 1 < translated.size() && translated[i + 1] >= '1' && translated[i + 1] <= '9') {
            const auto n = static_cast<std::size_t>(translated[i + 1] - '1');
            if (n < args.size()) {
                out += args[n];
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

std::optional<int> CTriggerRequest::Number(std::string_view text, int lo, int hi) {
    if (text.empty() || text.size() > 6)
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

CTriggerRequest::Parsed CTriggerRequest::FromArguments(const std::vector<std::string>& args) {
    std::size_t at = args.size();
    for (std::size_t i = 0; i < args.size() && args[i] != "--"; ++i)
        if (OptionOf(args[i])) {
            at = i;
            break;
        }
    if (at == args.size())
        return {};
    const Option& o = *OptionOf(args[at]);

    // The values: "NAME=FIRST" carries the first; the others follow as arguments of their own.
    std::vector<std::string> values;
    std::size_t next = at + 1;
    if (args[at].size() > o.name.size())
        values.push_back(args[at].substr(o.name.size() + 1));
    while (static_cast<int>(values.size()) < o.values && next < args.size())
        values.push_back(args[next++]);
    if (static_cast<int>(values.size()) != o.values)
        return Error(ValueError(o));
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (i >= at && i < next)
            continue;
        // An argument left over that is another trigger says so; anything else is simply too much.
        if (OptionOf(args[i]))
            return Error({PADORA_TRANSLATE_NOOP("CTriggerClient",
                                                "トリガーのオプションは一度に一つだけ指定できます: %1 %2"),
                          {args[at], args[i]}});
        return Error({PADORA_TRANSLATE_NOOP("CTriggerClient", "%1 は他の引数と一緒に指定できません: %2"),
                      {std::string(o.name), args[i]}});
    }

    std::string line;
    switch (o.kind) {
    case Kind::Pad:
    case Kind::Stop: {
        const auto channel = Number(values[0], 1, kChannels);
        if (!channel)
            return Error(ValueError(o));
        line = (o.kind == Kind::Pad ? "pad " : "stop ") + std::to_string(*channel);
        break;
    }
    case Kind::Group:
        if (values[0] == "next" || values[0] == "prev") {
            line = "group " + values[0];
        } else {
            const auto group = Number(values[0], 1, kMaxGroup);
            if (!group)
                return Error(ValueError(o));
            line = "group " + std::to_string(*group);
        }
        break;
    case Kind::Volume: {
        const auto channel = Number(values[0], 1, kChannels);
        const auto volume = Number(values[1], 0, kMaxVolume);
        if (!channel || !volume)
            return Error(ValueError(o));
        line = "volume " + std::to_string(*channel) + ' ' + std::to_string(*volume);
        break;
    }
    case Kind::Master: {
        const auto volume = Number(values[0], 0, kMaxVolume);
        if (!volume)
            return Error(ValueError(o));
        line = "master " + std::to_string(*volume);
        break;
    }
    case Kind::AllStop:
        line = "allstop";
        break;
    case Kind::State:
        line = "state";
        break;
    }
    Parsed p;
    p.result = Parsed::Result::Request;
    p.line = line + '\n';
    return p;
}
