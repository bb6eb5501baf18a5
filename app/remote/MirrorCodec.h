#pragma once

#include "app/remote/OscServer.h"
#include "app/remote/RemoteCommand.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

class CGroupArray;

// The messages of the backup link, over OSC, and the identity of a set. Any thread, except where said.
//
//   /padora/mirror/beat h:set i:epoch i:seq   every 250 ms both ways; seq: the last action sent (main)
//                                             or acted on (backup)
//   /padora/mirror/act h:set i:epoch i:seq    first in a bundle with the action's own message (a
//                                             /padora/... command message as remotes send them)
//   /padora/mirror/which                      a backup asks for the hashes of the main's channels
//   /padora/mirror/channels i:groups b:hashes the answer: groups x 10 big-endian 32-bit hashes
//
// epoch: drawn at each start of the main, so that a backup tells a new run from an old datagram.
namespace mirror {

using SetId = std::uint64_t;
inline constexpr int kChannels = RemoteState::kChannels;
// The most groups whose hashes one answer carries (a datagram stays well under 64 KiB).
inline constexpr int kMaxGroups = 1000;

// What makes a channel the same on both machines: its group's name, its sound's file name (not the
// folder, which may differ between machines), title, output pair and loudness switch. Volumes, pans,
// speeds and switches are not in it: they move during the show and travel as actions. UI thread.
std::vector<std::uint32_t> ChannelHashes(const CGroupArray& set);
// The identity of a set from its channels' hashes (their number is in it).
SetId Identity(const std::vector<std::uint32_t>& hashes);

// The channels (group, channel, both from 0) whose hashes differ or that only one side has.
struct ChannelRef {
    int nGroup = 0;
    int nChannel = 0;
    bool operator==(const ChannelRef&) const = default;
};
std::vector<ChannelRef> DifferingChannels(const std::vector<std::uint32_t>& mine,
                                          const std::vector<std::uint32_t>& theirs);
// "グループ 1 の 3, ..." for the operator, at most limit of them and how many more.
QString DescribeChannels(const std::vector<ChannelRef>& channels, std::size_t limit = 8);

struct Packet {
    enum class Kind { None, Beat, Act, Which, Channels };
    Kind kind = Kind::None;
    SetId set = 0;
    std::int32_t nEpoch = 0;
    std::int32_t nSeq = 0;
    std::vector<RemoteCommand> commands; // Act: the action(s) it carries
    std::vector<std::uint32_t> hashes;   // Channels
};
// One datagram read; Kind::None for anything that is not a well-formed link message.
Packet Parse(const void* data, std::size_t size);

QByteArray BeatBytes(SetId set, std::int32_t epoch, std::int32_t seq);
// Empty when command has no message (State, Raw).
QByteArray ActBytes(SetId set, std::int32_t epoch, std::int32_t seq, const RemoteCommand& command);
QByteArray WhichBytes();
// The first kMaxGroups groups' hashes.
QByteArray ChannelsBytes(const std::vector<std::uint32_t>& hashes);

// host (a name or numeric IPv4 address) and port as an IPv4 endpoint; false with a one-line reason.
// A name is looked up once, at the link's start. UI thread.
bool Resolve(const QString& host, int port, OscPeer* out, QString* error);
// Whether a and b are the same IPv4 host (ports aside); the port of an endpoint.
bool SameHost(const OscPeer& a, const OscPeer& b);
int PortOf(const OscPeer& peer);
// "127.0.0.1:7771" for messages.
QString Describe(const OscPeer& peer);

} // namespace mirror
