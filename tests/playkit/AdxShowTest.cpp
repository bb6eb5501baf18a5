#include "PlaykitMedia.h"

#include "playkit/AdxEngine.h"
#include "playkit/AdxShow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <vector>

using namespace playkit_test;

namespace {
constexpr UINT kGraphNotify = 0x8001;
constexpr UINT kPeakNotify = 0x8002;
constexpr int kOutRate = 48000;
constexpr std::size_t kChunk = 480;

struct Message {
    UINT msg;
    WPARAM w;
    LPARAM l;
};

class CTarget : public IAdxMessageTarget {
public:
    void PostMessage(UINT msg, WPARAM w, LPARAM l) override {
        std::lock_guard lock(m_mutex);
        m_messages.push_back({msg, w, l});
    }
    std::vector<Message> Take() {
        std::lock_guard lock(m_mutex);
        return std::exchange(m_messages, {});
    }

private:
    std::mutex m_mutex;
    std::vector<Message> m_messages;
};

// A callback that can live on the stack of a test.
class CTestCallback : public CSGCallback {
public:
    ~CTestCallback() override = default;
};

std::string g_dir;

std::string Media(const std::string& name) {
    return g_dir + "/" + name;
}

double Sine(int f, double rate, double freq = 1000.0) {
    return std::sin(2.0 * M_PI * freq * f / rate);
}

// Renders offline until the player posts EC_COMPLETE (or maxSeconds pass). Returns the frames.
std::vector<float> RenderToEnd(CAdxShow& p, double maxSeconds, bool* completed = nullptr) {
    std::vector<float> out;
    const auto limit = static_cast<std::size_t>(maxSeconds * kOutRate);
    bool done = false;
    while (out.size() / 2 < limit && !done) {
        const std::size_t at = out.size();
        out.resize(at + kChunk * 2);
        EXPECT_TRUE(playkit::CAdxEngine::Render(out.data() + at, kChunk));
        LONG code = 0, p1 = 0, p2 = 0;
        while (p.GetEvent(&code, &p1, &p2, 0) == 0)
            done = done || code == EC_COMPLETE;
    }
    if (completed)
        *completed = done;
    return out;
}

std::vector<float> RenderFor(double seconds) {
    std::vector<float> out(static_cast<std::size_t>(seconds * kOutRate) * 2);
    EXPECT_TRUE(playkit::CAdxEngine::Render(out.data(), out.size() / 2));
    return out;
}

// Index of the last frame with any sound in it, +1.
std::size_t SoundEnd(const std::vector<float>& s) {
    for (std::size_t i = s.size() / 2; i > 0; --i)
        if (std::fabs(s[2 * i - 2]) > 1e-3f || std::fabs(s[2 * i - 1]) > 1e-3f)
            return i;
    return 0;
}

class PlaykitEnv : public ::testing::Environment {
public:
    void SetUp() override {
        g_dir = MakeTempDir();
        WriteWav(Media("sine48.wav"), 48000, 2, 48000, [](int f, int c) {
            return static_cast<std::int16_t>(std::lrint((c == 0 ? 16384 : 8192) * Sine(f, 48000)));
        });
        WriteWav(Media("sine44.wav"), 44100, 2, 44100, [](int f, int c) {
            return static_cast<std::int16_t>(std::lrint((c == 0 ? 16384 : 8192) * Sine(f, 44100, 440)));
        });
        WriteWav(Media("mono.wav"), 48000, 1, 24000,
                 [](int f, int) { return static_cast<std::int16_t>(std::lrint(16384 * Sine(f, 48000))); });
        WriteWav(Media("six.wav"), 48000, 6, 24000,
                 [](int f, int) { return static_cast<std::int16_t>(std::lrint(8192 * Sine(f, 48000))); });
        // Four seconds of noise at the output rate: played at speed 1 it must come out untouched.
        unsigned noise = 7;
        WriteWav(Media("noise48.wav"), 48000, 2, 4 * 48000, [&noise](int, int) {
            noise = noise * 1664525u + 1013904223u;
            return static_cast<std::int16_t>(noise >> 16);
        });
        WriteWav(Media("fullscale.wav"), 48000, 2, 24000,
                 [](int, int c) { return std::int16_t(c == 0 ? -32768 : 0); });
        WriteWav(Media("silence.wav"), 48000, 2, 24000, [](int, int) { return std::int16_t(0); });
        // Half silence, half noise: a VBR encoder's bit rate swings, so a bit-rate estimate is wrong.
        unsigned seed = 1;
        WriteWav(Media("vbr.wav"), 44100, 2, 4 * 44100, [&seed](int f, int) {
            seed = seed * 1103515245u + 12345u;
            return f < 2 * 44100 ? std::int16_t(0) : static_cast<std::int16_t>((seed >> 16) % 20000 - 10000);
        });
        const std::string src = Media("sine44.wav");
        ASSERT_TRUE(Encode(src, Media("sine.mp3"), "-c:a libmp3lame -b:a 192k"));
        ASSERT_TRUE(Encode(src, Media("sine.ogg"), "-c:a libvorbis -q:a 5"));
        ASSERT_TRUE(Encode(src, Media("sine.avi"), "-c:a pcm_s16le"));
        ASSERT_TRUE(Encode(src, Media("sine.mpg"), "-c:a mp2 -b:a 256k -f mpeg"));
        ASSERT_TRUE(Encode(src, Media("sine.mpeg"), "-c:a mp2 -b:a 256k -f mpeg"));
        ASSERT_TRUE(Encode(src, Media("sine.mp4"), "-c:a aac -b:a 192k"));
        ASSERT_TRUE(Encode(Media("vbr.wav"), Media("noheader.mp3"), "-c:a libmp3lame -q:a 2 -write_xing 0"));
        std::filesystem::copy_file(Media("sine.ogg"), Media("foreign.mp3"));
        std::filesystem::copy_file(Media("sine48.wav"), Media("UPPER.WaV"));
        // 240 beats a minute: a quarter lasts 0.25 s; the note 0.5 s, then 0.25 s to the end.
        WriteMidi(Media("song.mid"), 480, 250000, 960, 480);
        std::filesystem::copy_file(Media("song.mid"), Media("song.MIDI"));
        std::ofstream(Media("empty.mp3"), std::ios::binary);
        std::ofstream corrupt(Media("corrupt.ogg"), std::ios::binary);
        for (int i = 0; i < 4096; ++i)
            corrupt.put(static_cast<char>((i * 7919) & 0xFF));
    }
    void TearDown() override { std::filesystem::remove_all(g_dir); }
};

} // namespace

TEST(CAdxShowClosed, AnswersTheClosedResults) {
    CProbe p;
    EXPECT_EQ(p.Play(), -1);
    EXPECT_EQ(p.Pause(), -1);
    EXPECT_EQ(p.Stop(), -1);
    EXPECT_EQ(p.IsPlay(), FALSE);
    EXPECT_EQ(p.GetTotalTime(), -1.0);
    EXPECT_EQ(p.GetTickCount(), -1.0);
    EXPECT_EQ(p.GetStopTime(), -1.0);
    EXPECT_EQ(p.GetRate(), 0.0);
    EXPECT_EQ(p.GetVolume(), -10000);
    EXPECT_EQ(p.GetBalance(), 0);
    EXPECT_EQ(p.SetCurrentTime(0), -1);
    EXPECT_EQ(p.SetStopTime(1), -1);
    EXPECT_EQ(p.SetRate(1), -1);
    EXPECT_EQ(p.SetVolume(0), -1);
    EXPECT_EQ(p.SetBalance(0), -1);
    CTarget t;
    EXPECT_EQ(p.SetNotifyWindow(&t, kGraphNotify), -1);
    LONG a, b, c;
    EXPECT_EQ(p.GetEvent(&a, &b, &c, 0), -1);
    EXPECT_EQ(p.SetVolumeNotifyWindow(&t, kPeakNotify), -1);
    EXPECT_EQ(p.GetVolumePeak(&a, &b), -1);
    EXPECT_EQ(p.Close(), 0);
    EXPECT_EQ(p.Close(), 0);
    EXPECT_EQ(p.IsRender(), FALSE);
    EXPECT_EQ(p.GetErrorCode(), 0);
    EXPECT_EQ(p.Format(), -1);
}

TEST(CAdxShowOpen, RefusesForeignExtensionsByTheLastDotOfThePath) {
    CProbe p;
    for (const std::string& path :
         {g_dir + "/noext", g_dir + "/folder.mp3/noext", g_dir + "/x.flac", g_dir + "/x."}) {
        EXPECT_EQ(p.Open(path.c_str(), 1), -31) << path;
        EXPECT_EQ(p.GetErrorCode(), 1);
        EXPECT_EQ(p.IsRender(), FALSE);
    }
}

TEST(CAdxShowOpen, RefusesMissingEmptyAndCorruptFilesAndStaysClosed) {
    CProbe p;
    ASSERT_EQ(p.Open(Media("sine48.wav").c_str(), 3), 0);
    EXPECT_EQ(p.Open(Media("missing.wav").c_str(), 3), -7);
    EXPECT_NE(p.GetErrorCode(), 0); // the decoder library's own code
    EXPECT_EQ(p.IsRender(), FALSE); // the file open before is closed all the same
    EXPECT_EQ(p.Format(), -1);
    EXPECT_EQ(p.Wfx().nChannels, 0);
    EXPECT_TRUE(p.Path().empty());
    for (const char* name : {"empty.mp3", "corrupt.ogg"}) {
        EXPECT_EQ(p.Open(Media(name).c_str(), 3), -7) << name;
        EXPECT_LT(p.GetErrorCode(), 0) << name;
        EXPECT_EQ(p.IsRender(), FALSE);
    }
}

TEST(CAdxShowOpen, PcmFormatsDescribeTheDecodedFormatOthersDoNot) {
    CProbe p;
    ASSERT_EQ(p.Open(Media("mono.wav").c_str(), 4), 0);
    EXPECT_EQ(p.Format(), 0);
    const WAVEFORMATEX& w = p.Wfx();
    EXPECT_EQ(w.wFormatTag, 1);
    EXPECT_EQ(w.nChannels, 1);
    EXPECT_EQ(w.nSamplesPerSec, 48000u);
    EXPECT_EQ(w.nAvgBytesPerSec, 96000u);
    EXPECT_EQ(w.nBlockAlign, 2);
    EXPECT_EQ(w.wBitsPerSample, 16);
    EXPECT_EQ(p.UserData(), 4u);
    EXPECT_EQ(p.GetTickCount(), 0.0);
    EXPECT_EQ(p.GetVolume(), 0);
    ASSERT_EQ(p.Open(Media("sine.mp3").c_str(), 5), 0);
    EXPECT_EQ(p.Format(), 0);
    EXPECT_EQ(p.Wfx().nChannels, 2);
    EXPECT_EQ(p.Wfx().nSamplesPerSec, 44100u);
    ASSERT_EQ(p.Open(Media("UPPER.WaV").c_str(), 5), 0);
    EXPECT_EQ(p.Format(), 0);
    for (const char* name : {"sine.ogg", "song.mid", "song.MIDI", "sine.mp4"}) {
        ASSERT_EQ(p.Open(Media(name).c_str(), 5), 0) << name;
        EXPECT_EQ(p.Format(), -1);
        EXPECT_EQ(p.Wfx().nChannels, 0);
        LONG l, r;
        EXPECT_EQ(p.GetVolumePeak(&l, &r), -11);
    }
    // Ogg content under an mp3 name plays: the decoders go by content.
    ASSERT_EQ(p.Open(Media("foreign.mp3").c_str(), 5), 0);
    EXPECT_EQ(p.Format(), 0);
    EXPECT_EQ(p.Play(), 0);
    std::vector<float> s = RenderToEnd(p, 2.0);
    EXPECT_GT(Rms(s, 0, 0, s.size() / 2), 0.1);
    EXPECT_EQ(p.Close(), 0);
}

// Every accepted kind of file plays: level, left/right ratio, length, speed, and the same sound
// again after Stop and Play.
class CAdxShowKinds : public ::testing::TestWithParam<const char*> {};

TEST_P(CAdxShowKinds, PlaysAtTheRightLevelLengthAndSpeed) {
    const std::string name = GetParam();
    const bool midi = name.ends_with(".mid");
    CProbe p;
    ASSERT_EQ(p.Open(Media(name).c_str(), 1), 0);
    const double total = p.GetTotalTime();
    EXPECT_NEAR(total, midi ? 0.75 : 1.0, midi ? 0.001 : 0.06);
    if (name.ends_with(".mp3") || name.ends_with(".wav") || name.ends_with(".ogg")) {
        EXPECT_NEAR(total, 1.0, 1e-4)
            << "the length the decoder plays, the encoder's delay and padding trimmed";
    }
    EXPECT_DOUBLE_EQ(p.GetStopTime(), total);

    ASSERT_EQ(p.Play(), 0);
    bool completed = false;
    const std::vector<float> first = RenderToEnd(p, 3.0, &completed);
    EXPECT_TRUE(completed);
    EXPECT_EQ(p.IsPlay(), TRUE); // stays running after the end until the owner stops it
    EXPECT_NEAR(p.GetTickCount(), total, 0.06);
    const std::size_t end = SoundEnd(first);
    const double seconds = static_cast<double>(end) / kOutRate;
    if (midi) {
        EXPECT_GT(Rms(first, 0, 0, kOutRate / 2), 0.005);
        EXPECT_LE(seconds, 0.75 + 0.011);
    } else {
        EXPECT_NEAR(seconds, 1.0, 0.06);
        // The left channel was written 6 dB above the right.
        const double l = Rms(first, 0, 4800, 38400), r = Rms(first, 1, 4800, 38400);
        EXPECT_NEAR(Db(l / (0.5 / std::sqrt(2.0))), 0.0, 0.3);
        EXPECT_NEAR(Db(l / r), 6.02, 0.3);
    }

    ASSERT_EQ(p.Stop(), 0);
    EXPECT_EQ(p.GetTickCount(), 0.0);
    EXPECT_EQ(p.IsPlay(), FALSE);
    ASSERT_EQ(p.Play(), 0);
    const std::vector<float> second = RenderToEnd(p, 3.0, &completed);
    EXPECT_TRUE(completed);
    ASSERT_GE(second.size(), end * 2);
    double worst = 0;
    for (std::size_t i = 0; i < end * 2; ++i)
        worst = std::max(worst, static_cast<double>(std::fabs(first[i] - second[i])));
    EXPECT_LT(worst, 1e-4) << "the replay differs from the first play";

    // Twice the speed: half the length.
    EXPECT_EQ(p.Stop(), 0);
    ASSERT_EQ(p.SetRate(2.0), 0);
    EXPECT_EQ(p.GetRate(), 2.0);
    EXPECT_EQ(p.Play(), 0);
    const std::vector<float> fast = RenderToEnd(p, 3.0, &completed);
    EXPECT_TRUE(completed);
    EXPECT_NEAR(static_cast<double>(SoundEnd(fast)) / kOutRate, seconds / 2.0, midi ? 0.02 : 0.03);
    p.Close();
}

INSTANTIATE_TEST_SUITE_P(EveryExtension, CAdxShowKinds,
                         ::testing::Values("sine44.wav", "sine.mp3", "sine.ogg", "sine.avi", "sine.mpg",
                                           "sine.mpeg", "sine.mp4", "song.mid"),
                         [](const auto& info) {
                             std::string s = info.param;
                             for (char& c : s)
                                 if (c == '.')
                                     c = '_';
                             return s;
                         });

// Compares rendered frames with the file's frames from a given frame on.
::testing::AssertionResult SameAsFile(const std::vector<float>& out, std::size_t from, std::size_t frames) {
    std::ifstream in(Media("noise48.wav"), std::ios::binary);
    std::vector<std::int16_t> pcm(frames * 2);
    in.seekg(44 + static_cast<std::streamoff>(from * 4));
    in.read(reinterpret_cast<char*>(pcm.data()), static_cast<std::streamsize>(pcm.size() * 2));
    for (std::size_t i = 0; i < frames * 2; ++i)
        if (out[i] != static_cast<float>(pcm[i]) / 32768.0f)
            return ::testing::AssertionFailure() << "frame " << i / 2 << " of " << frames << " differs";
    return ::testing::AssertionSuccess();
}

TEST(CAdxShowTransport, PlaysLongFilesAndSeeksFrameExactly) {
    CProbe p;
    ASSERT_EQ(p.Open(Media("noise48.wav").c_str(), 1), 0);
    EXPECT_EQ(p.Play(), 0);
    bool completed = false;
    std::vector<float> s = RenderToEnd(p, 5.0, &completed);
    EXPECT_TRUE(completed);
    EXPECT_TRUE(SameAsFile(s, 0, 4 * 48000)); // across the head, the ring and its wrap-arounds
    EXPECT_EQ(p.Stop(), 0);
    ASSERT_EQ(p.SetCurrentTime(2.5), 0);
    EXPECT_EQ(p.Play(), 0);
    s = RenderFor(1.0);
    EXPECT_TRUE(SameAsFile(s, 120000, 48000));
    ASSERT_EQ(p.SetCurrentTime(0.01), 0); // inside the first block, while playing
    s = RenderFor(0.5);
    // The jump fades in over its first block; after that the frames are the file's.
    EXPECT_TRUE(SameAsFile(std::vector<float>(s.begin() + 2048, s.end()), 480 + 1024, 20000));
    p.Close();
}

TEST(CAdxShowMix, VolumeAndBalanceFollowTheUnitsExactly) {
    CProbe p;
    ASSERT_EQ(p.Open(Media("sine48.wav").c_str(), 1), 0);
    const double l0 = 0.5 / std::sqrt(2.0), r0 = 0.25 / std::sqrt(2.0);
    struct Case {
        LONG volume, balance;
        double dbL, dbR; // expected change from full level; -inf as a large negative
    };
    for (const Case& c :
         {Case{0, 0, 0, 0}, Case{-600, 0, -6, -6}, Case{-1200, -3000, -12, -42}, Case{0, 2000, -20, 0},
          Case{-300, -10000, -3, -999}, Case{0, 10000, -999, 0}, Case{-10000, 0, -999, -999}}) {
        ASSERT_EQ(p.SetVolume(c.volume), 0);
        ASSERT_EQ(p.SetBalance(c.balance), 0);
        EXPECT_EQ(p.GetVolume(), c.volume);
        EXPECT_EQ(p.GetBalance(), c.balance);
        EXPECT_EQ(p.Stop(), 0);
        EXPECT_EQ(p.Play(), 0);
        const std::vector<float> s = RenderFor(0.5);
        const double l = Rms(s, 0, 4800, 19200), r = Rms(s, 1, 4800, 19200);
        if (c.dbL < -900)
            EXPECT_EQ(l, 0.0);
        else
            EXPECT_NEAR(Db(l / l0), c.dbL, 0.02) << c.volume << " " << c.balance;
        if (c.dbR < -900)
            EXPECT_EQ(r, 0.0);
        else
            EXPECT_NEAR(Db(r / r0), c.dbR, 0.02) << c.volume << " " << c.balance;
    }
    EXPECT_EQ(p.SetVolume(1), -2);
    EXPECT_EQ(p.SetBalance(10001), -2);
    p.Close();
}

TEST(CAdxShowMix, MonoPlaysOnBothSidesAndSurroundFoldsToStereo) {
    CProbe p;
    ASSERT_EQ(p.Open(Media("mono.wav").c_str(), 1), 0);
    EXPECT_EQ(p.Play(), 0);
    std::vector<float> s = RenderFor(0.4);
    EXPECT_NEAR(Db(Rms(s, 0, 4800, 14400) / (0.5 / std::sqrt(2.0))), 0.0, 0.02);
    EXPECT_NEAR(Db(Rms(s, 1, 4800, 14400) / (0.5 / std::sqrt(2.0))), 0.0, 0.02);
    ASSERT_EQ(p.Open(Media("six.wav").c_str(), 1), 0);
    EXPECT_EQ(p.Play(), 0);
    s = RenderFor(0.4);
    EXPECT_GT(Rms(s, 0, 4800, 14400), 0.05);
    EXPECT_NEAR(Rms(s, 0, 4800, 14400), Rms(s, 1, 4800, 14400), 1e-3);
    p.Close();
}

TEST(CAdxShowTransport, RateChangesWhilePlayingWithoutAClickAndZeroIsRefused) {
    CProbe p;
    ASSERT_EQ(p.Open(Media("sine48.wav").c_str(), 1), 0);
    EXPECT_EQ(p.SetRate(0.0), -2);
    EXPECT_EQ(p.GetErrorCode(), E_INVALIDARG);
    EXPECT_EQ(p.SetRate(-1.0), -2);
    EXPECT_EQ(p.GetRate(), 1.0);
    EXPECT_EQ(p.Play(), 0);
    std::vector<float> s = RenderFor(0.2);
    ASSERT_EQ(p.SetRate(1.5), 0);
    const std::vector<float> t = RenderFor(0.2);
    s.insert(s.end(), t.begin(), t.end());
    // A 1 kHz sine of amplitude 0.5 moves at most 0.1 a frame at 1.5 times: anything more is a click.
    double step = 0;
    // (From the second block on: the first may carry the fade of a player another test closed.)
    for (std::size_t i = 1025; i < s.size() / 2; ++i)
        step = std::max(step, static_cast<double>(std::fabs(s[2 * i] - s[2 * i - 2])));
    EXPECT_LT(step, 0.11);
    // The position advances rate times faster than the clock.
    const double before = p.GetTickCount();
    RenderFor(0.1);
    EXPECT_NEAR(p.GetTickCount() - before, 0.15, 0.012);
    p.Close();
}

TEST(CAdxShowTransport, PauseHoldsPositionAndSeekAndStopTimeWork) {
    CProbe p;
    ASSERT_EQ(p.Open(Media("sine48.wav").c_str(), 1), 0);
    EXPECT_EQ(p.Play(), 0);
    RenderFor(0.3);
    EXPECT_NEAR(p.GetTickCount(), 0.3, 0.011);
    EXPECT_EQ(p.Pause(), 0);
    EXPECT_EQ(p.IsPlay(), FALSE);
    // It stops without a click: a fade of 128 frames, then silence.
    const std::vector<float> quiet = RenderFor(0.1);
    double fadeStep = 0;
    for (std::size_t i = 1; i < 128; ++i)
        fadeStep = std::max(fadeStep, static_cast<double>(std::fabs(quiet[2 * i] - quiet[2 * i - 2])));
    EXPECT_LT(fadeStep, 0.07);
    EXPECT_LT(std::fabs(quiet[2 * 127]), 0.01);
    EXPECT_EQ(Rms(quiet, 0, 128, quiet.size() / 2), 0.0);
    EXPECT_NEAR(p.GetTickCount(), 0.3, 0.011);
    ASSERT_EQ(p.SetCurrentTime(0.8), 0);
    EXPECT_DOUBLE_EQ(p.GetTickCount(), 0.8);
    ASSERT_EQ(p.SetStopTime(0.9), 0);
    EXPECT_DOUBLE_EQ(p.GetStopTime(), 0.9);
    EXPECT_EQ(p.Play(), 0);
    bool completed = false;
    const std::vector<float> s = RenderToEnd(p, 1.0, &completed);
    EXPECT_TRUE(completed);
    EXPECT_NEAR(static_cast<double>(SoundEnd(s)) / kOutRate, 0.1, 0.012);
    EXPECT_EQ(p.SetCurrentTime(-1.0), -2);
    p.Close();
}

TEST(CAdxShowEvents, CompletionIsQueuedAndAnnouncedOnce) {
    CProbe p;
    CTarget t;
    ASSERT_EQ(p.Open(Media("mono.wav").c_str(), 1), 0);
    LONG code = 0, a = 0, b = 0;
    EXPECT_EQ(p.GetEvent(&code, &a, &b, 0), -3);
    EXPECT_EQ(p.GetErrorCode(), E_ABORT);
    ASSERT_EQ(p.SetNotifyWindow(&t, kGraphNotify), 0);
    EXPECT_EQ(p.Play(), 0);
    RenderFor(0.7);
    const std::vector<Message> m = t.Take();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].msg, kGraphNotify);
    EXPECT_EQ(m[0].w, 0u);
    EXPECT_EQ(m[0].l, 0);
    ASSERT_EQ(p.GetEvent(&code, &a, &b, 0), 0);
    EXPECT_EQ(code, EC_COMPLETE);
    EXPECT_EQ(p.GetEvent(&code, &a, &b, 0), -3);
    // No second notice while it rests at the end.
    RenderFor(0.2);
    EXPECT_TRUE(t.Take().empty());
    ASSERT_EQ(p.SetNotifyWindow(nullptr, 0), 0);
    EXPECT_EQ(p.Stop(), 0);
    EXPECT_EQ(p.Play(), 0);
    RenderFor(0.7);
    EXPECT_TRUE(t.Take().empty());
    EXPECT_EQ(p.GetEvent(&code, &a, &b, 0), 0);
    p.Close();
}

TEST(CAdxShowPeaks, PostsTheFirstChannelPeakOfThePlayedFrames) {
    CProbe p;
    CTarget t;
    ASSERT_EQ(p.Open(Media("fullscale.wav").c_str(), 7), 0);
    EXPECT_EQ(p.Play(), 0);
    RenderFor(0.1);
    EXPECT_TRUE(t.Take().empty()) << "no peaks before a window is set";
    EXPECT_EQ(p.Stop(), 0);
    ASSERT_EQ(p.SetVolumeNotifyWindow(&t, kPeakNotify), 0);
    EXPECT_EQ(p.Play(), 0);
    RenderFor(0.4);
    std::vector<Message> m = t.Take();
    ASSERT_GE(m.size(), 6u); // tens a second
    for (const Message& x : m) {
        EXPECT_EQ(x.msg, kPeakNotify);
        EXPECT_EQ(x.w, 32768u);
        EXPECT_EQ(x.l, 7);
    }
    EXPECT_EQ(p.SetVolumeNotifyWindow(nullptr, 0), 0);
    EXPECT_EQ(p.Stop(), 0);
    EXPECT_EQ(p.Play(), 0);
    RenderFor(0.2);
    EXPECT_TRUE(t.Take().empty());

    ASSERT_EQ(p.Open(Media("silence.wav").c_str(), 2), 0);
    ASSERT_EQ(p.SetVolumeNotifyWindow(&t, kPeakNotify), 0);
    EXPECT_EQ(p.Play(), 0);
    RenderFor(0.2);
    m = t.Take();
    ASSERT_FALSE(m.empty());
    for (const Message& x : m)
        EXPECT_EQ(x.w, 0u);
    p.Close();
}

TEST(CAdxShowPeaks, BufferCallbackScansAtMostTheFirst125Frames) {
    CTarget t;
    auto* cb = new CTestCallback;
    EXPECT_EQ(cb->AddRef(), 1u);
    void* out = &t;
    EXPECT_EQ(cb->QueryInterface(nullptr, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    std::vector<std::int16_t> buf(5000, 0);
    auto* bytes = reinterpret_cast<std::uint8_t*>(buf.data());
    buf[0] = -100;
    buf[1] = 30000; // second channel: never looked at
    buf[248] = -32768;
    buf[250] = 32767; // past the scanned part
    cb->BufferCB(0, bytes, 10000);
    EXPECT_TRUE(t.Take().empty()) << "nothing before a window is set";
    cb->SetNotify(&t, kPeakNotify, 3);
    cb->BufferCB(0, bytes, 10000);
    cb->BufferCB(0, bytes, 8); // one frame: s[0]
    cb->BufferCB(0, bytes, 7); // too short: nothing
    cb->BufferCB(0, bytes, 0);
    const std::vector<Message> m = t.Take();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0].w, 32768u);
    EXPECT_EQ(m[0].l, 3);
    EXPECT_EQ(m[1].w, 100u);
    EXPECT_EQ(cb->SampleCB(0, nullptr), S_OK);
    EXPECT_EQ(cb->AddRef(), 2u);
    EXPECT_EQ(cb->Release(), 1u);
    EXPECT_EQ(cb->Release(), 0u);
}

TEST(CAdxShowPeaks, VolumePeakIsInDecibelsCorrectedByVolumeAndBalance) {
    CProbe p;
    ASSERT_EQ(p.Open(Media("fullscale.wav").c_str(), 1), 0);
    LONG l = 1, r = 1;
    EXPECT_EQ(p.GetVolumePeak(&l, &r), -2); // nothing played yet
    EXPECT_EQ(p.SetVolume(-500), 0);
    EXPECT_EQ(p.Play(), 0);
    RenderFor(0.2);
    ASSERT_EQ(p.GetVolumePeak(&l, &r), 0);
    EXPECT_EQ(l, -500);
    EXPECT_EQ(r, -9500);
    EXPECT_EQ(p.SetBalance(-1000), 0); // lowers the right side
    ASSERT_EQ(p.GetVolumePeak(&l, &r), 0);
    EXPECT_EQ(l, -500);
    EXPECT_EQ(r, -10000);
    EXPECT_EQ(p.SetBalance(300), 0);
    ASSERT_EQ(p.GetVolumePeak(&l, &r), 0);
    EXPECT_EQ(l, -800);
    EXPECT_EQ(p.SetVolume(-10000), 0);
    ASSERT_EQ(p.GetVolumePeak(&l, &r), 0);
    EXPECT_EQ(l, -10000);
    EXPECT_EQ(r, -10000);

    ASSERT_EQ(p.Open(Media("mono.wav").c_str(), 1), 0);
    EXPECT_EQ(p.SetVolume(-200), 0);
    EXPECT_EQ(p.Play(), 0);
    RenderFor(0.1);
    ASSERT_EQ(p.GetVolumePeak(&l, &r), 0);
    EXPECT_EQ(l, -9200);
    EXPECT_EQ(r, -9200);
    p.Close();
}

TEST(CAdxShowLength, MeasuresMp3WithoutHeaderAndMidiFromItsTempoMap) {
    CProbe p;
    ASSERT_EQ(p.Open(Media("noheader.mp3").c_str(), 1), 0);
    EXPECT_NEAR(p.GetTotalTime(), 4.0, 0.06);
    ASSERT_EQ(p.Open(Media("song.mid").c_str(), 1), 0);
    EXPECT_NEAR(p.GetTotalTime(), 0.75, 1e-3); // up to the last event, no release tail
    p.Close();
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    playkit::AdxEngineConfig config;
    config.backend = playkit::AdxBackend::Offline;
    playkit::CAdxEngine::Configure(config);
    ::testing::AddGlobalTestEnvironment(new PlaykitEnv);
    return RUN_ALL_TESTS();
}
