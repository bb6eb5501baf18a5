// MIDI files from anywhere: the timing reader stays inside the bytes and answers finite times.
#include "playkit/AdxMidiFile.h"

#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    playkit::CAdxMidiFile midi;
    if (!midi.Parse(bytes))
        return 0;
    const double length = midi.Length();
    if (!std::isfinite(length) || length < 0)
        std::abort();
    for (const auto& span : midi.Tracks())
        if (span.offset > size || span.length > size - span.offset)
            std::abort();
    // Times map to ticks and back in order.
    std::uint64_t last = 0;
    for (double t : {0.0, length / 4, length / 2, length, length + 1}) {
        const std::uint64_t tick = midi.SecondsToTick(t);
        if (tick < last || !std::isfinite(midi.TickToSeconds(tick)))
            std::abort();
        last = tick;
    }
    return 0;
}
