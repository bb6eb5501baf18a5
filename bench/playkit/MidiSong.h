#pragma once

#include <cstdint>
#include <vector>

// Appends a MIDI variable-length quantity (7 bits a byte, most significant first).
void PutVarLen(std::vector<uint8_t>& out, uint32_t value);

// A Standard MIDI File (format 0, 480 ticks a quarter, 120 bpm) that plays a piano chord
// and a drum hit on every beat and ends exactly after the given number of seconds.
std::vector<uint8_t> MakeMidiSong(double seconds);
