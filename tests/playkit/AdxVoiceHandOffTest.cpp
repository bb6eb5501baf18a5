// A voice between its decoder and the real-time mixer, with the test playing the decoder worker's part
// by hand: what the mixer plays, and whether it counts a miss, while the source still waits for its
// instrument, once the instrument has come, and after cues made before or after that.
#include "playkit/AdxMixer.h"
#include "playkit/AdxSource.h"
#include "playkit/AdxVoice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

using playkit::CAdxMixer;
using playkit::CAdxSource;
using playkit::CAdxVoice;
using playkit::PackGen;

namespace {

constexpr int kRate = 48000;
constexpr std::size_t kBlock = 256;
constexpr std::int64_t kLength = 48000; // one second
constexpr int kFailure = -1;            // what a font that did not load reports
constexpr std::size_t kAfterStop = CAdxMixer::kFadeOutFrames;

// The value of a frame: a ramp that tells where each played frame came from.
std::int16_t ValueAt(std::int64_t frame) {
    return static_cast<std::int16_t>(frame % 30000 + 1);
}

// A stereo source that renders nothing until its instrument is there, as a MIDI file does while the
// SoundFont loads, or that finds the instrument failed.
class CLateSource : public CAdxSource {
public:
    CLateSource() {
        m_channels = 2;
        m_rate = kRate;
    }
    bool Waiting() const override { return !m_ready && m_failure == 0; }
    bool Prepare() override {
        if (m_fail) {
            m_failure = kFailure;
            m_atEnd = true;
        }
        return m_ready;
    }
    std::size_t Read(std::int16_t* dst, std::size_t frames) override {
        if (!Prepare())
            return 0;
        std::size_t n = 0;
        for (; n < frames && m_pos < kLength; ++n, ++m_pos)
            dst[2 * n] = dst[2 * n + 1] = ValueAt(m_pos);
        m_atEnd = m_pos >= kLength;
        return n;
    }
    void Seek(std::int64_t frame) override {
        ++m_seeks;
        if (Prepare()) {
            m_pos = std::clamp<std::int64_t>(frame, 0, kLength);
            m_atEnd = m_pos >= kLength;
        }
    }
    double Duration() override { return static_cast<double>(kLength) / kRate; }

    bool m_ready = false;
    bool m_fail = false;
    int m_seeks = 0;

private:
    std::int64_t m_pos = 0;
};

class CNoHost : public playkit::IAdxMixerHost {
public:
    void WakeDecoder() override {}
    void FlushNotifier() override {}
};

class CAdxVoiceHandOff : public ::testing::Test {
protected:
    void SetUp() override {
        m_mixer.SetSampleRate(kRate); // the source's own rate: frames come out exactly as decoded
        auto source = std::make_unique<CLateSource>();
        m_source = source.get();
        m_voice = std::make_unique<CAdxVoice>(std::move(source));
        m_mixer.Add(m_voice.get());
        m_mixer.Play(m_voice.get());
    }
    void TearDown() override {
        m_mixer.Remove(m_voice.get());
        Render(kBlock); // the mixer lets go of the voice before it is destroyed
    }

    // Left channel of the next frames, in blocks as a device asks for them.
    std::vector<float> Render(std::size_t frames) {
        std::vector<float> out(frames * 2), left(frames);
        for (std::size_t done = 0; done < frames; done += kBlock)
            m_mixer.Render(out.data() + done * 2, std::min(kBlock, frames - done), 2);
        for (std::size_t f = 0; f < frames; ++f)
            left[f] = out[2 * f];
        return left;
    }
    // What the player does on a stop and a start elsewhere (a repeat's turn): the decoder starts
    // after the head it sees, and the mixer is told the same.
    void Cue(std::int64_t frame) {
        m_mixer.Pause(m_voice.get());
        const std::int64_t head = m_voice->m_headFrames.load();
        ++m_gen;
        m_voice->m_seekRequest.store(PackGen(m_gen, static_cast<std::uint64_t>(frame < head ? head : frame)));
        m_mixer.Seek(m_voice.get(), m_gen, frame, head);
        m_mixer.Play(m_voice.get());
    }
    std::uint64_t Underruns() const { return m_mixer.Counters().underruns; }
    // The first frame of out (played from media frame `from` on) that is not the media's, or -1. After a
    // stop, the first frames carry the old position's fade-out as well: skip them.
    static std::int64_t FirstWrong(const std::vector<float>& out, std::int64_t from, std::size_t skip = 0) {
        for (std::size_t f = skip; f < out.size(); ++f)
            if (out[f] != static_cast<float>(ValueAt(from + static_cast<std::int64_t>(f))) / 32768.0f)
                return static_cast<std::int64_t>(f);
        return -1;
    }

    CNoHost m_host;
    CAdxMixer m_mixer{m_host};
    CLateSource* m_source = nullptr;
    std::unique_ptr<CAdxVoice> m_voice;
    std::uint32_t m_gen = 0;
};

TEST_F(CAdxVoiceHandOff, APlayerWaitingForItsInstrumentStartsLateWithoutAMissThenGetsItsHead) {
    ASSERT_TRUE(m_voice->Ready());
    EXPECT_EQ(m_voice->m_headFrames.load(), 0);
    m_voice->Produce(8192); // the decoder finds the source still waiting
    const std::vector<float> waiting = Render(4 * kBlock);
    EXPECT_TRUE(std::all_of(waiting.begin(), waiting.end(), [](float s) { return s == 0.f; }));
    EXPECT_EQ(Underruns(), 0u) << "a player waiting for its instrument was counted as missing its data";

    m_source->m_ready = true;
    m_voice->Produce(8192);
    EXPECT_EQ(m_voice->m_headFrames.load(), 4096) << "the head was not made once the instrument came";
    EXPECT_EQ(FirstWrong(Render(8192), 0), -1) << "the start was not played from the top, once";
    EXPECT_EQ(Underruns(), 0u);

    // A repeat's cue to the top is served by the head while the decoder has not yet looked.
    const int seeks = m_source->m_seeks;
    Cue(0);
    EXPECT_EQ(FirstWrong(Render(2048), 0, kAfterStop), -1);
    EXPECT_EQ(Underruns(), 0u) << "the cue to the top waited for the decoder";
    m_voice->Produce(8192);
    EXPECT_EQ(m_source->m_seeks, seeks + 1);
    EXPECT_EQ(FirstWrong(Render(4096), 2048), -1) << "the decoder did not go on where the head ends";
    EXPECT_EQ(Underruns(), 0u);
}

TEST_F(CAdxVoiceHandOff, CuesMadeBeforeTheHeadCameArePlayedByTheDecoderWithoutRepeats) {
    // Cued to the top before the head exists: the decoder serves it from the first frame on, and the
    // mixer, which sees the head by the time it applies the cue, must not play the head as well.
    Cue(0);
    m_source->m_ready = true;
    m_voice->Produce(8192);
    ASSERT_EQ(m_voice->m_headFrames.load(), 4096);
    EXPECT_EQ(FirstWrong(Render(8192), 0, kAfterStop), -1);

    // Cued into the middle while waiting: the head comes from the top, the ring from the cue.
    m_source->m_ready = false;
    CLateSource* fresh = nullptr;
    {
        auto source = std::make_unique<CLateSource>();
        fresh = source.get();
        m_mixer.Remove(m_voice.get());
        Render(kBlock);
        m_voice = std::make_unique<CAdxVoice>(std::move(source));
        m_mixer.Add(m_voice.get());
        m_mixer.Play(m_voice.get());
    }
    m_gen = 0;
    Cue(20000);
    m_voice->Produce(8192);
    EXPECT_EQ(Render(kBlock)[0], 0.f);
    fresh->m_ready = true;
    m_voice->Produce(8192);
    EXPECT_EQ(FirstWrong(Render(4096), 20000, kAfterStop), -1);
    Cue(100);
    EXPECT_EQ(FirstWrong(Render(2048), 100, kAfterStop), -1)
        << "the head made after a cue elsewhere is not the top";
    EXPECT_EQ(Underruns(), 0u);
}

TEST_F(CAdxVoiceHandOff, AnInstrumentThatFailsIsReportedOnceWhateverTheCues) {
    m_source->m_fail = true;
    m_voice->Produce(8192);
    EXPECT_EQ(m_voice->m_failure.exchange(0), kFailure);
    EXPECT_FALSE(m_voice->m_waiting.load()) << "a failed source still counts as waiting";
    for (int turn = 0; turn < 3; ++turn) {
        Cue(0);
        m_voice->Produce(8192);
        EXPECT_EQ(m_voice->m_failure.load(), 0) << "turn " << turn << " failed again";
    }
    Render(4 * kBlock);
    EXPECT_EQ(Underruns(), 0u);
}

} // namespace
