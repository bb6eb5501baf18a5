#pragma once

#include "app/remote/RemoteCommand.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// What every browser is shown: the group tabs, the ten pads and their channels, the master and the
// stop key. Plain data; any thread.
struct WebRemoteSnapshot {
    static constexpr int kChannels = RemoteState::kChannels;
    // A pad's colour in the page; as the window shows it, with a running fade on top.
    enum PadState { kNoSound = -1, kLoaded = 0, kPlaying = 1, kFading = 2 };

    struct Pad {
        QString title;
        int state = kNoSound;
        QString time;  // "mm:ss/mm:ss", empty without a sound
        int meter = 0; // dB, the meter's floor when silent
        int volume = 0;
        bool operator==(const Pad&) const = default;
    };
    int group = -1;
    QStringList tabs;
    std::array<Pad, kChannels> pads{};
    int master = 0;
    bool stopKey = false;
    bool busy = false;
    int meterFloor = 0;

    bool operator==(const WebRemoteSnapshot&) const = default;
    // One WebSocket message.
    QByteArray ToJson() const;
};

namespace webremote {

// Largest group index a browser may ask for (the set's own count bounds it further).
inline constexpr int kMaxGroupIndex = 9999;

// A browser's message made a command; none for anything malformed or out of range.
std::optional<RemoteCommand> ParseCommand(const QByteArray& text);

} // namespace webremote
