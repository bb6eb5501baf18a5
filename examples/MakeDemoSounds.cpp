// Writes the sounds of the demo set: short WAV files synthesised here, a small MIDI file written
// byte by byte, and an mp3 and an ogg file encoded from synthesised sound by the ffmpeg program
// (bit-exact mode: no version strings, fixed stream serial numbers). Deterministic, so the committed
// files can be made again exactly with the same ffmpeg:
//   padora_demo_sounds <folder>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

void Put16(std::vector<char>& out, unsigned v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(std::vector<char>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// MIDI files are big-endian.
void PutBigEndian32(std::vector<char>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

void PutBytes(std::vector<char>& out, const std::string& s) {
    out.insert(out.end(), s.begin(), s.end());
}

bool WriteFile(const std::string& path, const std::vector<char>& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(f);
}

// Interleaved samples in -1..1, 16-bit PCM.
bool WriteWav(const std::string& path, const std::vector<double>& samples, int channels, int rate) {
    std::vector<char> out;
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    PutBytes(out, "RIFF");
    Put32(out, 36 + dataBytes);
    PutBytes(out, "WAVEfmt ");
    Put32(out, 16);
    Put16(out, 1); // PCM
    Put16(out, static_cast<unsigned>(channels));
    Put32(out, static_cast<std::uint32_t>(rate));
    Put32(out, static_cast<std::uint32_t>(rate * channels * 2));
    Put16(out, static_cast<unsigned>(channels * 2));
    Put16(out, 16);
    PutBytes(out, "data");
    Put32(out, dataBytes);
    for (double s : samples) {
        const double clipped = std::fmax(-1.0, std::fmin(1.0, s));
        Put16(out, static_cast<unsigned>(static_cast<std::int16_t>(std::lround(clipped * 32767.0))) & 0xFFFF);
    }
    return WriteFile(path, out);
}

// Short fades at both ends keep the edges free of clicks.
double EdgeFade(int i, int count, int rate) {
    const int fade = rate / 200; // 5 ms
    if (i < fade)
        return double(i) / fade;
    if (i >= count - fade)
        return double(count - 1 - i) / fade;
    return 1.0;
}

std::vector<double> Chime() {
    const int n = kRate * 3 / 2;
    const double partials[][2] = {{880.0, 1.0}, {1760.0, 0.5}, {2640.0, 0.25}, {3520.0, 0.12}};
    std::vector<double> s(n);
    for (int i = 0; i < n; ++i) {
        const double t = double(i) / kRate;
        double v = 0;
        for (const auto& p : partials)
            v += p[1] * std::sin(kTwoPi * p[0] * t) * std::exp(-t * 2.5 * p[0] / 880.0);
        s[i] = 0.4 * v * EdgeFade(i, n, kRate);
    }
    return s;
}

std::vector<double> CueBeep() {
    const int n = kRate * 3 / 10;
    std::vector<double> s(n);
    for (int i = 0; i < n; ++i)
        s[i] = 0.5 * std::sin(kTwoPi * 1000.0 * i / kRate) * EdgeFade(i, n, kRate);
    return s;
}

std::vector<double> Kick() {
    const int n = kRate / 2;
    std::vector<double> s(n);
    double phase = 0;
    for (int i = 0; i < n; ++i) {
        const double t = double(i) / kRate;
        const double freq = 45.0 + 120.0 * std::exp(-t * 30.0);
        phase += kTwoPi * freq / kRate;
        s[i] = 0.9 * std::sin(phase) * std::exp(-t * 7.0) * EdgeFade(i, n, kRate);
    }
    return s;
}

// Wind: low-passed noise swelling and fading, at half the usual rate to stay small.
std::vector<double> Wind(int rate) {
    const int n = rate * 2;
    std::vector<double> s(n);
    std::uint32_t seed = 12345;
    double low = 0;
    for (int i = 0; i < n; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const double noise = (seed >> 8) / double(1u << 24) * 2.0 - 1.0;
        low += 0.05 * (noise - low);
        const double swell = std::sin(std::numbers::pi * i / n);
        s[i] = 2.5 * low * swell * EdgeFade(i, n, rate);
    }
    return s;
}

// A C major chord drifting from left to right, stereo: for trying pan, repeat and fades.
std::vector<double> PadChord() {
    const int n = kRate * 2;
    const double notes[] = {261.63, 329.63, 392.00};
    std::vector<double> s(static_cast<size_t>(n) * 2);
    for (int i = 0; i < n; ++i) {
        const double t = double(i) / kRate;
        double v = 0;
        for (double f : notes)
            v += std::sin(kTwoPi * f * t) + 0.3 * std::sin(kTwoPi * 2 * f * t);
        v *= 0.15 * EdgeFade(i, n, kRate);
        const double pan = double(i) / n;
        s[2 * i] = v * std::cos(pan * std::numbers::pi / 2);
        s[2 * i + 1] = v * std::sin(pan * std::numbers::pi / 2);
    }
    return s;
}

// A marimba-like tone: the bar's fundamental with its fourth and tenth partials, which die away fast.
double Marimba(double freq, double t) {
    if (t < 0)
        return 0;
    const double attack = std::fmin(1.0, t / 0.002);
    return attack * (std::sin(kTwoPi * freq * t) * std::exp(-t * 4.0) +
                     0.35 * std::sin(kTwoPi * 4.0 * freq * t) * std::exp(-t * 18.0) +
                     0.12 * std::sin(kTwoPi * 9.9 * freq * t) * std::exp(-t * 40.0));
}

double NoteFreq(int midiNote) {
    return 440.0 * std::pow(2.0, (midiNote - 69) / 12.0);
}

// A rising and falling pentatonic phrase on the marimba, mono.
std::vector<double> MarimbaPhrase() {
    const int n = kRate * 5 / 2;
    const int notes[] = {72, 76, 79, 81, 84, 81, 79, 84};
    const double step = 0.18;
    std::vector<double> s(n);
    for (int i = 0; i < n; ++i) {
        const double t = double(i) / kRate;
        double v = 0;
        for (int k = 0; k < 8; ++k)
            v += Marimba(NoteFreq(notes[k]), t - k * step) * (k == 7 ? 1.0 : 0.8);
        s[i] = 0.3 * v * EdgeFade(i, n, kRate);
    }
    return s;
}

// Eight seconds of soft chords (C, Am, F, G) with a bell arpeggio bouncing between left and right,
// stereo. Every sound that rings past the end continues at the start, so the loop has no seam.
std::vector<double> BgmLoop() {
    const int n = kRate * 8;
    std::vector<double> s(static_cast<size_t>(n) * 2, 0.0);
    auto add = [&](int start, int length, auto&& voice, double left, double right) {
        for (int j = 0; j < length; ++j) {
            const double v = voice(double(j) / kRate);
            const size_t at = static_cast<size_t>((start + j) % n);
            s[2 * at] += left * v;
            s[2 * at + 1] += right * v;
        }
    };
    const int chords[4][3] = {{60, 64, 67}, {57, 60, 64}, {53, 57, 60}, {55, 59, 62}};
    for (int c = 0; c < 4; ++c) {
        // Each chord swells in, holds for its two seconds and releases into the next.
        for (int note : chords[c]) {
            const double f = NoteFreq(note);
            add(
                c * 2 * kRate, kRate * 5 / 2,
                [f](double t) {
                    const double env = std::fmin(1.0, t / 0.4) * (t < 2.0 ? 1.0 : std::exp(-(t - 2.0) * 8.0));
                    return 0.11 * env * (std::sin(kTwoPi * f * t) + 0.2 * std::sin(kTwoPi * 2.0 * f * t));
                },
                0.8, 0.8);
        }
        // Eighth notes up the chord an octave higher, alternating sides.
        for (int k = 0; k < 8; ++k) {
            const double f = NoteFreq(chords[c][k % 3] + 12 + (k >= 3 && k < 6 ? 12 : 0));
            const bool left = k % 2 == 0;
            add(
                c * 2 * kRate + k * kRate / 4, kRate,
                [f](double t) {
                    return 0.12 * std::fmin(1.0, t / 0.003) * std::exp(-t * 6.0) *
                           (std::sin(kTwoPi * f * t) + 0.25 * std::sin(kTwoPi * 3.0 * f * t));
                },
                left ? 0.9 : 0.4, left ? 0.4 : 0.9);
        }
    }
    return s;
}

// Encodes interleaved samples with the ffmpeg program, through a temporary WAV file beside the output.
bool Encode(const std::string& path, const std::vector<double>& samples, int channels,
            const std::vector<std::string>& codecArgs) {
    const std::string wav = path + ".tmp.wav";
    if (!WriteWav(wav, samples, channels, kRate))
        return false;
    std::vector<std::string> args = {"ffmpeg", "-v", "error",         "-y", "-fflags",  "+bitexact",
                                     "-i",     wav,  "-map_metadata", "-1", "-bitexact"};
    args.insert(args.end(), codecArgs.begin(), codecArgs.end());
    args.push_back(path);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    int status = -1;
    const bool ran = posix_spawnp(&pid, "ffmpeg", nullptr, nullptr, argv.data(), environ) == 0 &&
                     waitpid(pid, &status, 0) == pid;
    std::remove(wav.c_str());
    if (!ran || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "ffmpeg could not write %s\n", path.c_str());
        return false;
    }
    return true;
}

void PutVarLen(std::vector<char>& out, std::uint32_t v) {
    char bytes[4];
    int count = 0;
    bytes[count++] = static_cast<char>(v & 0x7F);
    while ((v >>= 7) != 0)
        bytes[count++] = static_cast<char>((v & 0x7F) | 0x80);
    while (count > 0)
        out.push_back(bytes[--count]);
}

// A trumpet fanfare: format 0, one track, 480 ticks a quarter note at 120 beats a minute.
bool WriteFanfare(const std::string& path) {
    std::vector<char> track;
    auto event = [&track](std::uint32_t delta, std::initializer_list<int> bytes) {
        PutVarLen(track, delta);
        for (int b : bytes)
            track.push_back(static_cast<char>(b));
    };
    event(0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}); // tempo 500000 us a quarter note
    event(0, {0xC0, 56});                           // trumpet
    const int melody[][2] = {{60, 240}, {64, 240}, {67, 240}, {72, 480}, {67, 240}, {72, 960}};
    for (const auto& note : melody) {
        event(0, {0x90, note[0], 100});
        event(static_cast<std::uint32_t>(note[1]), {0x80, note[0], 0});
    }
    event(0, {0xFF, 0x2F, 0x00}); // end of track

    std::vector<char> out;
    PutBytes(out, "MThd");
    PutBigEndian32(out, 6);
    out.push_back(0);
    out.push_back(0); // format 0
    out.push_back(0);
    out.push_back(1); // one track
    out.push_back(static_cast<char>(480 >> 8));
    out.push_back(static_cast<char>(480 & 0xFF));
    PutBytes(out, "MTrk");
    PutBigEndian32(out, static_cast<std::uint32_t>(track.size()));
    out.insert(out.end(), track.begin(), track.end());
    return WriteFile(path, out);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    const bool ok =
        WriteWav(dir + "chime.wav", Chime(), 1, kRate) &&
        WriteWav(dir + "cue-beep.wav", CueBeep(), 1, kRate) && WriteWav(dir + "kick.wav", Kick(), 1, kRate) &&
        WriteWav(dir + "wind.wav", Wind(kRate / 2), 1, kRate / 2) &&
        WriteWav(dir + "pad-chord.wav", PadChord(), 2, kRate) && WriteFanfare(dir + "fanfare.mid") &&
        Encode(dir + "marimba.mp3", MarimbaPhrase(), 1, {"-c:a", "libmp3lame", "-b:a", "96k"}) &&
        Encode(dir + "bgm-loop.ogg", BgmLoop(), 2, {"-c:a", "libvorbis", "-q:a", "3"});
    if (!ok) {
        std::fprintf(stderr, "%s: cannot write the sounds to %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
