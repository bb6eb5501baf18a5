#pragma once

#include "app/remote/RemoteCommand.h"

#include <QByteArray>

#include <cstddef>
#include <vector>

// OSC packets of the remote control, read and written with liblo. Any thread.
//
//   /padora/pad i        /padora/stopkey 1|0   /padora/stop i      /padora/allstop
//   /padora/group/next   /padora/group/prev    /padora/group g     /padora/volume i v
//   /padora/master v     /padora/state
//   /padora/pan i p      /padora/speed i r     /padora/repeat i 1|0  /padora/fadein i 1|0
//   /padora/fadeout i 1|0
//
// Channels i and groups g count from 1, volumes v are 0 to 100, pans p -50 to 50, speeds r 0.1 to 10.0;
// numbers may be sent as int32, int64, float or double (a float is rounded, but a speed keeps its
// thousandths). Answer and change notice:
//   /padora/state g name s1 ... s10 busy    (g from 1, 0 without a group; sN -1 no sound, 0 loaded,
//                                            1 playing; busy 1 while a modal window holds the show)
namespace osc {

// The commands of one datagram, a message or a bundle (nested bundles too), in their order. Messages
// with an unknown address or unusable arguments are left out and counted in ignored.
std::vector<RemoteCommand> ParsePacket(const void* data, std::size_t size, int* ignored = nullptr);

// One message, serialised; empty when its arguments do not fit the address.
QByteArray MessageBytes(const char* path, const char* types, const std::vector<double>& numbers);

// The message of command (not State or Raw), as ParsePacket reads it back; empty for those.
QByteArray CommandBytes(const RemoteCommand& command);

// The /padora/state message for state.
QByteArray StateBytes(const RemoteState& state);

} // namespace osc
