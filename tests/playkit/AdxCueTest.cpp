// The cue: auditioned players heard on a pair of the output or on a second device of their own clock,
// never on the main output, sample for sample; nowhere when there is no cue, their time going on.
#include "HeardSound.h"
#include "PlaykitMedia.h"

#include "playkit/AdxEngine.h"
#include "playkit/AdxShow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using playkit::AdxBackend;
using playkit::AdxEngineConfig;
using playkit::CAdxEngine;
using playkit_test::CEngineOn;
using playkit_test::PairOf;
using playkit_test::WaitUntil;

namespace {
constexpr int kRate = 48000;
constexpr double kLevel = 8000 / 32768.0;

bool AllZero(const std::vector<float>& samples) {
    for (float s : samples)
        if (s != 0.f)
            return false;
    return true;
}

class Cue : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = playkit_test::MakeTempDir();
        playkit_test::WriteWav(Level(), kRate, 1, kRate * 20, [](int, int) { return std::int16_t(8000); });
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(s_dir); }
    static std::string Level() { return s_dir + "/level.wav"; }

    // Opens the constant level: auditioned or not.
    static void Open(CAdxShow& p, bool audition) {
        ASSERT_EQ(p.Open(Level().c_str(), 1), 0);
        ASSERT_EQ(p.SetAudition(audition ? TRUE : FALSE), 0);
    }
    static std::vector<float> Render(std::size_t frames, std::size_t channels) {
        std::vector<float> out(frames * channels);
        EXPECT_TRUE(CAdxEngine::Render(out.data(), frames));
        return out;
    }

    static std::string s_dir;
};
std::string Cue::s_dir;

} // namespace

TEST_F(Cue, OnACuePairTheAuditionIsThereAndNowhereElseAndStopsWithoutAClick) {
    AdxEngineConfig config;
    config.backend = AdxBackend::Offline;
    config.pairs = 3;
    config.cuePair = 3;
    CEngineOn engine(config);
    ASSERT_TRUE(engine.Ok());
    CAdxShow house, cue;
    Open(house, false);
    Open(cue, true);
    ASSERT_EQ(cue.SetOutputPair(1), 0); // its own pair does not matter
    ASSERT_EQ(cue.Play(), 0);
    const std::vector<float> alone = Render(kRate / 4, 6);
    EXPECT_TRUE(AllZero(PairOf(alone, 6, 0)));
    EXPECT_TRUE(AllZero(PairOf(alone, 6, 1)));
    EXPECT_NEAR(playkit_test::Rms(PairOf(alone, 6, 2), 0, 512, kRate / 4), kLevel, 1e-3);

    ASSERT_EQ(house.Play(), 0);
    ASSERT_EQ(cue.Stop(), 0); // faded out on the cue pair
    const std::vector<float> after = Render(kRate / 4, 6);
    EXPECT_TRUE(AllZero(PairOf(after, 6, 1)));
    const std::vector<float> cuePair = PairOf(after, 6, 2);
    float largestStep = 0;
    for (std::size_t i = 2; i < cuePair.size(); i += 2)
        largestStep = std::max(largestStep, std::fabs(cuePair[i] - cuePair[i - 2]));
    EXPECT_LT(largestStep, 0.01f);
    EXPECT_TRUE(AllZero(std::vector<float>(cuePair.begin() + 2 * 256, cuePair.end())));
    EXPECT_GT(playkit_test::Rms(PairOf(after, 6, 0), 0, 512, kRate / 4), 0.1);
}

TEST_F(Cue, WithoutACueTheAuditionIsHeardNowhereYetMovesOn) {
    AdxEngineConfig config;
    config.backend = AdxBackend::Offline;
    config.cuePair = 2; // the output has one pair only
    CEngineOn engine(config);
    ASSERT_TRUE(engine.Ok());
    CAdxShow cue;
    Open(cue, true);
    ASSERT_EQ(cue.Play(), 0);
    EXPECT_TRUE(AllZero(Render(kRate / 2, 2)));
    EXPECT_NEAR(cue.GetTickCount(), 0.5, 0.05);
}

// Two outputs on clocks of their own, recorded: the house on one, the audition on the other.
TEST_F(Cue, OnASecondDeviceTheAuditionIsRecordedThereAndTheHouseOnlyOnTheMain) {
    const std::string mainPath = s_dir + "/main.wav", cuePath = s_dir + "/cue.wav";
    {
        AdxEngineConfig config;
        config.backend = AdxBackend::Record;
        config.wavPath = mainPath;
        config.cueDevice = "record:" + cuePath;
        CEngineOn engine(config);
        ASSERT_TRUE(engine.Ok());
        CAdxShow house, cue;
        Open(house, false);
        Open(cue, true);
        ASSERT_EQ(cue.Play(), 0);
        playkit_test::SWrittenWav wav;
        ASSERT_TRUE(
            WaitUntil([&] { return playkit_test::ReadWrittenWav(cuePath, wav) && wav.Frames() > kRate; },
                      std::chrono::seconds(10)));
        cue.Close();
        ASSERT_EQ(house.Play(), 0);
        ASSERT_TRUE(
            WaitUntil([&] { return playkit_test::ReadWrittenWav(mainPath, wav) && wav.Frames() > 2 * kRate; },
                      std::chrono::seconds(10)));
        house.Close();
    }
    playkit_test::SWrittenWav main, cue;
    ASSERT_TRUE(playkit_test::ReadWrittenWav(mainPath, main));
    ASSERT_TRUE(playkit_test::ReadWrittenWav(cuePath, cue));
    // The cue device plays the audition (after the hand-over's delay) and, once it closed, silence.
    std::size_t first = 0;
    while (first < cue.Frames() && cue.samples[2 * first] == 0.f)
        ++first;
    ASSERT_LT(first + kRate / 2, cue.Frames());
    EXPECT_LT(first, static_cast<std::size_t>(kRate / 10));
    EXPECT_NEAR(playkit_test::Rms(cue.samples, 0, first + 2048, first + kRate / 2), kLevel, 2e-3);
    // The house output never carried the audition: it is silent up to the house's own sound.
    std::size_t houseFirst = 0;
    while (houseFirst < main.Frames() && main.samples[2 * houseFirst] == 0.f)
        ++houseFirst;
    EXPECT_GT(houseFirst, static_cast<std::size_t>(kRate));
    ASSERT_LT(houseFirst + kRate / 4, main.Frames());
    // And the cue never carried the house.
    EXPECT_LT(playkit_test::Rms(cue.samples, 0, cue.Frames() - kRate / 4, cue.Frames()), 1e-6);
}

TEST_F(Cue, ACueDeviceThatIsNotThereLeavesTheMainOutputPlaying) {
    AdxEngineConfig config;
    config.backend = AdxBackend::Null;
    config.cueDevice = "no such cue device";
    CEngineOn engine(config);
    ASSERT_TRUE(engine.Ok());
    EXPECT_FALSE(CAdxEngine::OutputLost());
    CAdxShow house;
    Open(house, false);
    ASSERT_EQ(house.Play(), 0);
    EXPECT_TRUE(WaitUntil([&] { return house.GetTickCount() > 0.2; }, std::chrono::seconds(5)));
}
