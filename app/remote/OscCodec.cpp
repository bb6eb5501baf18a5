#include "app/remote/OscCodec.h"
#include "app/remote/OscMessage.h"

#include "app/show/ShowRules.h"

#include <lo/lo.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <type_traits>
#include <utility>

namespace osc {
namespace {

constexpr std::string_view kBundleTag{"#bundle\0", 8};
constexpr std::size_t kBundleHeader = 16; // tag and time tag
constexpr int kMaxBundleDepth = 8;
constexpr int kChannels = RemoteState::kChannels;
constexpr int kMaxVolume = 100;

std::optional<double> Number(char type, const lo_arg* arg) {
    switch (type) {
    case LO_INT32:
        return arg->i;
    case LO_INT64:
        return static_cast<double>(arg->h);
    case LO_FLOAT:
        return arg->f;
    case LO_DOUBLE:
        return arg->d;
    case LO_TRUE:
        return 1.0;
    case LO_FALSE:
        return 0.0;
    default:
        return std::nullopt;
    }
}

constexpr std::pair<std::string_view, RemoteCommand::Kind> kSwitches[] = {
    {"/padora/repeat", RemoteCommand::Kind::Repeat},
    {"/padora/fadein", RemoteCommand::Kind::FadeIn},
    {"/padora/fadeout", RemoteCommand::Kind::FadeOut},
};

std::optional<int> Whole(std::optional<double> v) {
    if (!v || !std::isfinite(*v) || std::fabs(*v) > 1.0e6)
        return std::nullopt;
    return static_cast<int>(std::lround(*v));
}

// The command of one message, or nothing when the address or arguments do not fit.
std::optional<RemoteCommand> CommandOf(std::string_view path, lo_message m) {
    const int argc = lo_message_get_argc(m);
    const char* types = lo_message_get_types(m);
    lo_arg** argv = lo_message_get_argv(m);
    auto arg = [&](int i) -> std::optional<int> {
        return i < argc ? Whole(Number(types[i], argv[i])) : std::nullopt;
    };
    using Kind = RemoteCommand::Kind;
    auto channel = [&](Kind kind) -> std::optional<RemoteCommand> {
        const auto i = arg(0);
        if (!i || *i < 1 || *i > kChannels)
            return std::nullopt;
        return RemoteCommand{kind, *i - 1, 0};
    };
    if (path == "/padora/pad")
        return channel(Kind::Pad);
    if (path == "/padora/stop")
        return channel(Kind::Stop);
    if (path == "/padora/stopkey") {
        const auto held = arg(0);
        if (!held)
            return std::nullopt;
        return RemoteCommand{Kind::StopKey, *held != 0 ? 1 : 0, 0};
    }
    if (path == "/padora/allstop")
        return RemoteCommand{Kind::AllStop, 0, 0};
    if (path == "/padora/group/next")
        return RemoteCommand{Kind::GroupNext, 0, 0};
    if (path == "/padora/group/prev")
        return RemoteCommand{Kind::GroupPrev, 0, 0};
    if (path == "/padora/group") {
        const auto g = arg(0);
        if (!g || *g < 1)
            return std::nullopt;
        return RemoteCommand{Kind::Group, *g - 1, 0};
    }
    if (path == "/padora/volume") {
        auto c = channel(Kind::Volume);
        const auto v = arg(1);
        if (!c || !v || *v < 0 || *v > kMaxVolume)
            return std::nullopt;
        c->value = *v;
        return c;
    }
    if (path == "/padora/master") {
        const auto v = arg(0);
        if (!v || *v < 0 || *v > kMaxVolume)
            return std::nullopt;
        return RemoteCommand{Kind::Master, 0, *v};
    }
    if (path == "/padora/state")
        return RemoteCommand{Kind::State, 0, 0};
    if (path == "/padora/pan") {
        auto c = channel(Kind::Pan);
        const auto p = arg(1);
        if (!c || !p || *p < -show::kPanMax || *p > show::kPanMax)
            return std::nullopt;
        c->value = *p;
        return c;
    }
    if (path == "/padora/speed") {
        auto c = channel(Kind::Rate);
        const std::optional<double> r = argc > 1 ? Number(types[1], argv[1]) : std::nullopt;
        const auto scaled = r ? Whole(*r * RemoteCommand::kRateScale) : std::nullopt;
        if (!c || !scaled || *scaled < RemoteCommand::kMinRate || *scaled > RemoteCommand::kMaxRate)
            return std::nullopt;
        c->value = *scaled;
        return c;
    }
    for (const auto& [name, kind] : kSwitches) {
        if (path != name)
            continue;
        auto c = channel(kind);
        const auto on = arg(1);
        if (!c || !on)
            return std::nullopt;
        c->value = *on != 0 ? 1 : 0;
        return c;
    }
    return std::nullopt;
}

std::uint32_t BigEndian32(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) | b[3];
}

void Parse(const char* data, std::size_t size, int depth, std::vector<RemoteCommand>& out, int& ignored) {
    if (size >= kBundleHeader && std::string_view(data, kBundleTag.size()) == kBundleTag) {
        if (depth >= kMaxBundleDepth) {
            ++ignored;
            return;
        }
        // Elements run in order; their time tags are not waited for (everything acts on arrival).
        std::size_t pos = kBundleHeader;
        while (pos + 4 <= size) {
            const std::size_t len = BigEndian32(data + pos);
            pos += 4;
            if (len > size - pos || len % 4 != 0) {
                ++ignored;
                return;
            }
            Parse(data + pos, len, depth + 1, out, ignored);
            pos += len;
        }
        return;
    }
    // liblo reads in place and byte-swaps: work on a copy.
    std::vector<char> copy(data, data + size);
    int result = 0;
    MessagePtr m(lo_message_deserialise(copy.data(), copy.size(), &result));
    if (!m || result != 0) {
        ++ignored;
        return;
    }
    const std::string_view path(copy.data(), strnlen(copy.data(), copy.size()));
    if (const auto command = CommandOf(path, m.get()))
        out.push_back(*command);
    else
        ++ignored;
}

} // namespace

std::vector<RemoteCommand> ParsePacket(const void* data, std::size_t size, int* ignored) {
    std::vector<RemoteCommand> out;
    int nIgnored = 0;
    if (data && size > 0 && size % 4 == 0)
        Parse(static_cast<const char*>(data), size, 0, out, nIgnored);
    else if (size > 0)
        ++nIgnored;
    if (ignored)
        *ignored = nIgnored;
    return out;
}

QByteArray MessageBytes(const char* path, const char* types, const std::vector<double>& numbers) {
    MessagePtr m(lo_message_new());
    const std::size_t n = std::strlen(types);
    if (n != numbers.size())
        return QByteArray();
    for (std::size_t i = 0; i < n; ++i) {
        switch (types[i]) {
        case LO_INT32:
            lo_message_add_int32(m.get(), static_cast<std::int32_t>(numbers[i]));
            break;
        case LO_FLOAT:
            lo_message_add_float(m.get(), static_cast<float>(numbers[i]));
            break;
        case LO_DOUBLE:
            lo_message_add_double(m.get(), numbers[i]);
            break;
        default:
            return QByteArray();
        }
    }
    return Serialise(m.get(), path);
}

QByteArray CommandBytes(const RemoteCommand& c) {
    using Kind = RemoteCommand::Kind;
    const double channel = c.n + 1;
    switch (c.kind) {
    case Kind::Pad:
        return MessageBytes("/padora/pad", "i", {channel});
    case Kind::StopKey:
        return MessageBytes("/padora/stopkey", "i", {c.n != 0 ? 1.0 : 0.0});
    case Kind::Stop:
        return MessageBytes("/padora/stop", "i", {channel});
    case Kind::AllStop:
        return MessageBytes("/padora/allstop", "", {});
    case Kind::GroupNext:
        return MessageBytes("/padora/group/next", "", {});
    case Kind::GroupPrev:
        return MessageBytes("/padora/group/prev", "", {});
    case Kind::Group:
        return MessageBytes("/padora/group", "i", {channel});
    case Kind::Volume:
        return MessageBytes("/padora/volume", "ii", {channel, double(c.value)});
    case Kind::Master:
        return MessageBytes("/padora/master", "i", {double(c.value)});
    case Kind::Pan:
        return MessageBytes("/padora/pan", "ii", {channel, double(c.value)});
    case Kind::Rate:
        // A double, so that the thousandths arrive exactly.
        return MessageBytes("/padora/speed", "id", {channel, double(c.value) / RemoteCommand::kRateScale});
    case Kind::Repeat:
        return MessageBytes("/padora/repeat", "ii", {channel, double(c.value)});
    case Kind::FadeIn:
        return MessageBytes("/padora/fadein", "ii", {channel, double(c.value)});
    case Kind::FadeOut:
        return MessageBytes("/padora/fadeout", "ii", {channel, double(c.value)});
    case Kind::State:
    case Kind::Raw:
        break;
    }
    return QByteArray();
}

QByteArray StateBytes(const RemoteState& state) {
    MessagePtr m(lo_message_new());
    lo_message_add_int32(m.get(), state.nGroup + 1);
    lo_message_add_string(m.get(), state.strGroup.toUtf8().constData());
    for (int play : state.aPlay)
        lo_message_add_int32(m.get(), play);
    lo_message_add_int32(m.get(), state.bBusy ? 1 : 0);
    // Last, so that a peer reading the first fourteen arguments reads what it always did.
    lo_message_add_int32(m.get(), state.nBackground);
    return Serialise(m.get(), "/padora/state");
}

} // namespace osc
