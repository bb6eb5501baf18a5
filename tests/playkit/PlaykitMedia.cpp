#include "PlaykitMedia.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace playkit_test {
namespace {
void Put16(std::ofstream& o, std::uint16_t v) {
    o.put(static_cast<char>(v & 0xFF));
    o.put(static_cast<char>(v >> 8));
}
void Put32(std::ofstream& o, std::uint32_t v) {
    Put16(o, static_cast<std::uint16_t>(v));
    Put16(o, static_cast<std::uint16_t>(v >> 16));
}
void PutBe32(std::string& s, std::uint32_t v) {
    for (int i = 3; i >= 0; --i)
        s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void PutVar(std::string& s, std::uint32_t v) {
    char buf[5];
    int n = 0;
    buf[n++] = static_cast<char>(v & 0x7F);
    while (v >>= 7)
        buf[n++] = static_cast<char>(0x80 | (v & 0x7F));
    while (n)
        s.push_back(buf[--n]);
}
} // namespace

void WriteWav(const std::string& path, int rate, int channels, int frames,
              const std::function<std::int16_t(int, int)>& sample) {
    std::ofstream o(path, std::ios::binary);
    const std::uint32_t bytes = static_cast<std::uint32_t>(frames * channels * 2);
    o.write("RIFF", 4);
    Put32(o, 36 + bytes);
    o.write("WAVEfmt ", 8);
    Put32(o, 16);
    Put16(o, 1);
    Put16(o, static_cast<std::uint16_t>(channels));
    Put32(o, static_cast<std::uint32_t>(rate));
    Put32(o, static_cast<std::uint32_t>(rate * channels * 2));
    Put16(o, static_cast<std::uint16_t>(channels * 2));
    Put16(o, 16);
    o.write("data", 4);
    Put32(o, bytes);
    for (int f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c)
            Put16(o, static_cast<std::uint16_t>(sample(f, c)));
}

bool Encode(const std::string& src, const std::string& dst, const std::string& options) {
    const std::string cmd =
        "ffmpeg -nostdin -hide_banner -loglevel error -y -i '" + src + "' " + options + " '" + dst + "'";
    return std::system(cmd.c_str()) == 0;
}

void WriteMidi(const std::string& path, int division, std::uint32_t tempo, std::uint32_t noteTicks,
               std::uint32_t tailTicks) {
    std::string track;
    PutVar(track, 0);
    track += "\xFF\x51\x03";
    track.push_back(static_cast<char>(tempo >> 16));
    track.push_back(static_cast<char>(tempo >> 8));
    track.push_back(static_cast<char>(tempo));
    PutVar(track, 0);
    track += std::string("\xC0\x00", 2); // piano
    PutVar(track, 0);
    track += "\x90\x45\x64"; // A4 on
    PutVar(track, noteTicks);
    track += "\x80\x45\x40";
    PutVar(track, tailTicks);
    track += "\xFF\x2F";
    track.push_back('\0');
    std::string file = "MThd";
    PutBe32(file, 6);
    file += std::string("\x00\x00\x00\x01", 4);
    file.push_back(static_cast<char>(division >> 8));
    file.push_back(static_cast<char>(division & 0xFF));
    file += "MTrk";
    PutBe32(file, static_cast<std::uint32_t>(track.size()));
    file += track;
    std::ofstream(path, std::ios::binary) << file;
}

double Rms(const std::vector<float>& stereo, int channel, std::size_t from, std::size_t to) {
    double sum = 0;
    for (std::size_t i = from; i < to; ++i)
        sum += static_cast<double>(stereo[2 * i + channel]) * stereo[2 * i + channel];
    return to > from ? std::sqrt(sum / static_cast<double>(to - from)) : 0.0;
}

double Db(double ratio) {
    return 20.0 * std::log10(ratio);
}

std::string MakeTempDir() {
    char tmpl[] = "/tmp/playkit-test-XXXXXX";
    const char* dir = mkdtemp(tmpl);
    return dir ? dir : "/tmp";
}

void ExpectClosedState(const CProbe& p) {
    CProbe closed;
    closed.Close();
    EXPECT_EQ(p.IsRender(), closed.IsRender());
    EXPECT_EQ(p.Format(), closed.Format());
    EXPECT_EQ(std::memcmp(&p.Wfx(), &closed.Wfx(), sizeof(WAVEFORMATEX)), 0);
    EXPECT_EQ(p.UserData(), closed.UserData());
    EXPECT_EQ(p.Path(), closed.Path());
    EXPECT_EQ(p.PeakBufSize(), closed.PeakBufSize());
    EXPECT_EQ(p.HasPeakBuf(), closed.HasPeakBuf());
    EXPECT_EQ(p.HasCallback(), closed.HasCallback());
    EXPECT_EQ(p.HasVoice(), closed.HasVoice());
}

namespace {
std::uint32_t Le(const std::vector<char>& b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | static_cast<std::uint8_t>(b[at + static_cast<std::size_t>(i)]);
    return v;
}
} // namespace

bool ReadWrittenWav(const std::string& path, SWrittenWav& wav) {
    wav = SWrittenWav{};
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // A file being recorded runs ahead of its header (brought up to date every few milliseconds): what
    // the header counts is read, the frames beyond it at the next reading.
    if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(b.data() + 8, "WAVE", 4) != 0 ||
        Le(b, 4, 4) + 8 > b.size())
        return false;
    std::size_t at = 12;
    bool haveFormat = false;
    while (at + 8 <= b.size()) {
        const std::uint32_t size = Le(b, at + 4, 4);
        const std::size_t body = at + 8;
        if (body + size > b.size())
            return false;
        if (std::memcmp(b.data() + at, "fmt ", 4) == 0 && size >= 16) {
            wav.formatTag = static_cast<std::uint16_t>(Le(b, body, 2));
            wav.channels = static_cast<int>(Le(b, body + 2, 2));
            wav.rate = Le(b, body + 4, 4);
            if (Le(b, body + 14, 2) != 16 || Le(b, body + 12, 2) != 2u * static_cast<unsigned>(wav.channels))
                return false;
            if (wav.formatTag == 0xFFFE) {
                if (size < 40)
                    return false;
                wav.channelMask = Le(b, body + 20, 4);
                wav.subFormatTag = static_cast<std::uint16_t>(Le(b, body + 24, 2));
            }
            haveFormat = true;
        } else if (std::memcmp(b.data() + at, "data", 4) == 0 && haveFormat) {
            if (size % (2u * static_cast<unsigned>(wav.channels)) != 0)
                return false;
            wav.samples.resize(size / 2);
            for (std::size_t i = 0; i < wav.samples.size(); ++i)
                wav.samples[i] = static_cast<std::int16_t>(Le(b, body + 2 * i, 2)) / 32768.0f;
            return true;
        }
        at = body + size + (size & 1);
    }
    return false;
}

std::vector<float> PairOf(const std::vector<float>& frames, std::size_t channels, std::size_t pair) {
    const std::size_t n = frames.size() / channels;
    std::vector<float> out(n * 2);
    for (std::size_t i = 0; i < n; ++i) {
        out[2 * i] = frames[i * channels + 2 * pair];
        out[2 * i + 1] = frames[i * channels + 2 * pair + 1];
    }
    return out;
}

} // namespace playkit_test
