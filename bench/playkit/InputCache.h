#pragma once

#include <string>
#include <vector>

// Generated media for the benchmarks, kept in one folder and reused by later runs
// (PADORA_BENCH_DIR, else $TMPDIR/padora-bench). Each file is written under a temporary
// name and renamed, so an interrupted run never leaves half a file behind.
class CInputCache {
public:
    CInputCache();

    const std::string& Dir() const { return m_strDir; }
    bool Ok() const { return m_bOk; }

    // A stereo 44.1 kHz file made by the ffmpeg command line from a lavfi source;
    // the extension picks the codec (mp3: LAME VBR, ogg: Vorbis, wav: 16-bit PCM).
    // Returns the path, or an empty string after printing why.
    std::string Audio(const std::string& name, const std::string& lavfiSource, double seconds);
    // A tone-and-noise file of the given length, the usual input of these benchmarks.
    std::string Music(const std::string& ext, double seconds);
    std::string Midi(double seconds);
    // A 16-bit stereo WAV of one sine on both channels, with triangular dither.
    std::string Sine(double frequency, int rate, double seconds, double amplitude);

private:
    std::string m_strDir;
    bool m_bOk = false;
};

// Runs a program found on PATH and waits for it; returns its exit status, or -1.
int RunProgram(const std::vector<std::string>& args);
