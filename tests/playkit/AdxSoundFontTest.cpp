// The SoundFont loads in the background as the engine starts: the first MIDI open of a fresh
// engine does not wait for it and the player sounds once it is there; a SoundFont that cannot be
// used is reported by the open or by the player.
#include "PlaykitMedia.h"
#include "playkit/AdxEngine.h"
#include "playkit/AdxShow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <time.h>
#include <vector>

using playkit::CAdxEngine;
using playkit_test::MakeTempDir;
using playkit_test::WriteMidi;
using playkit_test::WriteWav;

namespace {

constexpr int kRate = 48000;
constexpr std::size_t kAfterStop = 128; // frames of a stopped sound's fade-out

// CPU time of the calling thread: what the open cost this thread itself, however loaded the
// machine is. Loading the default SoundFont costs a quarter of a second of it.
double ThreadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

float Peak(const std::vector<float>& v) {
    float peak = 0;
    for (float s : v)
        peak = std::max(peak, std::fabs(s));
    return peak;
}

// Plays the open player from the top for the given seconds, offline.
std::vector<float> Render(CAdxShow& p, double seconds) {
    EXPECT_EQ(p.Play(), 0);
    const auto frames = static_cast<std::size_t>(seconds * kRate);
    std::vector<float> out(frames * 2);
    EXPECT_TRUE(CAdxEngine::Render(out.data(), frames));
    return out;
}

// A fresh engine for the test, with PADORA_SOUNDFONT set for it when asked; the engine after the
// test starts again with the font it had.
class CFreshEngine {
public:
    explicit CFreshEngine(const char* soundFont = nullptr) {
        if (const char* old = std::getenv("PADORA_SOUNDFONT")) {
            m_hadFont = true;
            m_oldFont = old;
        }
        if (soundFont)
            setenv("PADORA_SOUNDFONT", soundFont, 1);
        CAdxEngine::Shutdown();
    }
    ~CFreshEngine() {
        CAdxEngine::Shutdown();
        if (m_hadFont)
            setenv("PADORA_SOUNDFONT", m_oldFont.c_str(), 1);
        else
            unsetenv("PADORA_SOUNDFONT");
    }
    CFreshEngine(const CFreshEngine&) = delete;
    CFreshEngine& operator=(const CFreshEngine&) = delete;

private:
    bool m_hadFont = false;
    std::string m_oldFont;
};

class CAdxSoundFont : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = MakeTempDir();
        m_midi = m_dir + "/note.mid";
        // One second of A4 at 120 beats a minute, then half a second of nothing.
        WriteMidi(m_midi, 480, 500000, 960, 480);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    std::string m_dir;
    std::string m_midi;
};

TEST_F(CAdxSoundFont, TheFirstMidiOpenOfAFreshEngineLeavesTheLoadToItsOwnThread) {
    CFreshEngine fresh;
    CAdxShow first;
    const double before = ThreadCpuMs();
    ASSERT_EQ(first.Open(m_midi.c_str(), 1), 0);
    const double openMs = ThreadCpuMs() - before;
    EXPECT_LT(openMs, 50.0) << "the open loaded the SoundFont on the caller's thread";
    EXPECT_NEAR(first.GetTotalTime(), 1.5, 1e-3) << "the length is known before the synth is";

    // It sounds from its start once the font is there; the render waits for it, as offline
    // rendering waits for every decoder.
    const std::vector<float> out = Render(first, 1.0);
    EXPECT_GT(Peak(std::vector<float>(out.begin(), out.begin() + kRate / 10 * 2)), 0.01f)
        << "the first tenth of a second is silent: the note at the start was lost";
    EXPECT_GT(playkit_test::Rms(out, 0, 0, out.size() / 2), 0.003);
    // Played again from the top (a repeat's turn), it starts from the head made once the font came:
    // the same sound as the first time (after the first frames, which carry the stop's fade-out).
    ASSERT_EQ(first.Stop(), 0);
    const std::vector<float> replay = Render(first, 1.0);
    float most = 0;
    for (std::size_t i = kAfterStop * 2; i < out.size(); ++i)
        most = std::max(most, std::fabs(replay[i] - out[i]));
    EXPECT_LT(most, 1e-3f) << "the second play from the top does not sound like the first";

    // Once loaded, a second open is the usual one and plays the same.
    CAdxShow second;
    ASSERT_EQ(second.Open(m_midi.c_str(), 2), 0);
    EXPECT_EQ(second.GetTotalTime(), first.GetTotalTime());
    first.Close();
    const std::vector<float> again = Render(second, 1.0);
    EXPECT_NEAR(Peak(again), Peak(out), 0.02f);
}

TEST_F(CAdxSoundFont, ASoundFontThatCannotBeUsedIsReported) {
    {
        CFreshEngine fresh((m_dir + "/missing.sf2").c_str());
        CAdxShow p;
        EXPECT_NE(p.Open(m_midi.c_str(), 1), 0) << "a missing SoundFont fails the open at once";
        EXPECT_NE(p.GetErrorCode(), 0);
    }
    // A RIFF file that is no SoundFont passes the quick check; whether its load has failed by the
    // open or fails afterwards, the owner learns of it and nothing plays.
    const std::string wav = m_dir + "/not-a-font.sf2";
    WriteWav(wav, kRate, 2, kRate / 10, [](int, int) { return std::int16_t{1000}; });
    CFreshEngine fresh(wav.c_str());
    CAdxShow p;
    if (p.Open(m_midi.c_str(), 1) != 0) {
        EXPECT_NE(p.GetErrorCode(), 0);
        return;
    }
    const std::vector<float> out = Render(p, 0.5);
    EXPECT_EQ(Peak(out), 0.0f);
    LONG code = 0, param1 = 0, param2 = 0;
    ASSERT_EQ(p.GetEvent(&code, &param1, &param2, 0), 0) << "the failed load is not reported";
    EXPECT_EQ(code, EC_ERRORABORT);
    EXPECT_NE(param1, 0);
    EXPECT_NE(p.GetEvent(&code, &param1, &param2, 0), 0) << "the failure was followed by event " << code;
    EXPECT_FALSE(p.IsPlay());
    // A repeating channel answers the end with a stop and a start: the player stays stopped and
    // silent, and fails no second time.
    for (int turn = 0; turn < 3; ++turn) {
        ASSERT_EQ(p.Stop(), 0);
        EXPECT_EQ(p.Play(), CAdxShow::kMediaFailed);
        EXPECT_EQ(p.GetErrorCode(), param1);
        EXPECT_FALSE(p.IsPlay());
        std::vector<float> more(kRate / 4 * 2);
        ASSERT_TRUE(CAdxEngine::Render(more.data(), kRate / 4));
        EXPECT_EQ(Peak(more), 0.0f);
        EXPECT_NE(p.GetEvent(&code, &param1, &param2, 0), 0) << "turn " << turn << " gave event " << code;
    }
}

} // namespace
