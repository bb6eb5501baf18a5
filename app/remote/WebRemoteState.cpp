#include "app/remote/WebRemoteState.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

constexpr int kMaxVolume = 100;
using Kind = RemoteCommand::Kind;

// A whole number in [lo, hi] at key, or none.
std::optional<int> IntIn(const QJsonObject& o, const char* key, int lo, int hi) {
    const QJsonValue v = o.value(QLatin1String(key));
    if (!v.isDouble())
        return std::nullopt;
    const double d = v.toDouble();
    if (d < lo || d > hi || d != static_cast<double>(static_cast<int>(d)))
        return std::nullopt;
    return static_cast<int>(d);
}

} // namespace

QByteArray WebRemoteSnapshot::ToJson() const {
    QJsonArray padArray;
    for (const Pad& p : pads)
        padArray.append(QJsonObject{{"title", p.title},
                                    {"state", p.state},
                                    {"time", p.time},
                                    {"meter", p.meter},
                                    {"volume", p.volume}});
    const QJsonObject o{{"group", group},          {"tabs", QJsonArray::fromStringList(tabs)},
                        {"pads", padArray},        {"master", master},
                        {"stopKey", stopKey},      {"busy", busy},
                        {"meterFloor", meterFloor}};
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

std::optional<RemoteCommand> webremote::ParseCommand(const QByteArray& text) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    const QJsonObject o = doc.object();
    const QString what = o.value(QLatin1String("do")).toString();
    const int lastChannel = WebRemoteSnapshot::kChannels - 1;
    auto with = [](Kind kind, std::optional<int> n,
                   std::optional<int> value = 0) -> std::optional<RemoteCommand> {
        if (!n || !value)
            return std::nullopt;
        return RemoteCommand{kind, *n, *value};
    };
    if (what == QLatin1String("pad"))
        return with(Kind::Pad, IntIn(o, "n", 0, lastChannel));
    if (what == QLatin1String("stopkey")) {
        const QJsonValue on = o.value(QLatin1String("on"));
        if (!on.isBool())
            return std::nullopt;
        return RemoteCommand{Kind::StopKey, on.toBool() ? 1 : 0, 0};
    }
    if (what == QLatin1String("allstop"))
        return RemoteCommand{Kind::AllStop, 0, 0};
    if (what == QLatin1String("next"))
        return RemoteCommand{Kind::GroupNext, 0, 0};
    if (what == QLatin1String("prev"))
        return RemoteCommand{Kind::GroupPrev, 0, 0};
    if (what == QLatin1String("group"))
        return with(Kind::Group, IntIn(o, "n", 0, webremote::kMaxGroupIndex));
    if (what == QLatin1String("volume"))
        return with(Kind::Volume, IntIn(o, "n", 0, lastChannel), IntIn(o, "value", 0, kMaxVolume));
    if (what == QLatin1String("master"))
        return with(Kind::Master, 0, IntIn(o, "value", 0, kMaxVolume));
    return std::nullopt;
}
