#pragma once

#include <string>
#include <vector>

// One input of an offline mix, in the player's own units.
struct SMixEntry {
    std::string strFile; // relative to the input folder
    long nVolume = 0;    // hundredths of a dB, 0 .. -10000
    long nBalance = 0;   // -10000 (right silent) .. 10000 (left silent)
    double dSpeed = 1.0; // tape-style rate factor
};

// Reads a mix description: one input a line, "file volume balance speed";
// blank lines and lines starting with '#' are skipped.
class CMixFile {
public:
    // Returns false with a message naming the line when the text is not a valid mix.
    bool Parse(const std::string& text, std::string& error);
    bool Load(const std::string& path, std::string& error);

    const std::vector<SMixEntry>& Entries() const { return m_entries; }

private:
    std::vector<SMixEntry> m_entries;
};
