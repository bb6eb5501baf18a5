#include "playkit/AdxResampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using playkit::CAdxResampler;

namespace {
// Feeds a generated stereo signal through the resampler at the given ratios (one per output
// block) and returns the interleaved output.
std::vector<float> Feed(CAdxResampler& r, const std::vector<float>& left, const std::vector<float>& right,
                        const std::vector<double>& ratios, std::size_t block) {
    std::vector<float> out;
    std::size_t fed = 0;
    for (double ratio : ratios) {
        std::size_t made = 0;
        std::vector<float> buf(block * 2);
        while (made < block) {
            const bool ended = fed == left.size();
            made += r.Render(buf.data() + made * 2, block - made, ratio, ended);
            if (made == block || r.Drained())
                break;
            const std::size_t n = std::min<std::size_t>({r.Room(), 256, left.size() - fed});
            float *l, *rr;
            r.Write(l, rr);
            for (std::size_t i = 0; i < n; ++i) {
                l[i] = left[fed + i];
                rr[i] = right[fed + i];
            }
            r.Commit(n);
            fed += n;
        }
        out.insert(out.end(), buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(made * 2));
        if (r.Drained())
            break;
    }
    return out;
}

std::vector<float> Tone(double freq, double rate, std::size_t n, double amp = 0.5) {
    std::vector<float> s(n);
    for (std::size_t i = 0; i < n; ++i)
        s[i] = static_cast<float>(amp * std::sin(2 * M_PI * freq * static_cast<double>(i) / rate));
    return s;
}

double Rms(const std::vector<float>& st, int ch, std::size_t from, std::size_t to) {
    double sum = 0;
    for (std::size_t i = from; i < to; ++i)
        sum += double(st[2 * i + ch]) * st[2 * i + ch];
    return std::sqrt(sum / double(to - from));
}

// Frequency from upward zero crossings, in cycles per output frame.
double Frequency(const std::vector<float>& st, std::size_t from, std::size_t to) {
    std::size_t first = 0, last = 0, count = 0;
    for (std::size_t i = from + 1; i < to; ++i) {
        if (st[2 * (i - 1)] < 0 && st[2 * i] >= 0) {
            if (count == 0)
                first = i;
            last = i;
            ++count;
        }
    }
    return count > 1 ? double(count - 1) / double(last - first) : 0.0;
}
} // namespace

TEST(CAdxResampler, UnityRatioCopiesTheInputExactly) {
    CAdxResampler r;
    std::vector<float> l(5000), rr(5000);
    for (std::size_t i = 0; i < l.size(); ++i) {
        l[i] = static_cast<float>((i * 7919 % 2001) / 1000.0 - 1.0);
        rr[i] = -l[i];
    }
    const std::vector<float> out = Feed(r, l, rr, std::vector<double>(20, 1.0), 512);
    ASSERT_EQ(out.size(), l.size() * 2);
    for (std::size_t i = 0; i < l.size(); ++i) {
        ASSERT_EQ(out[2 * i], l[i]) << i;
        ASSERT_EQ(out[2 * i + 1], rr[i]) << i;
    }
    EXPECT_TRUE(r.Drained());
}

TEST(CAdxResampler, KeepsLevelAndScalesPitchAndLength) {
    // 1 kHz at 44.1 kHz played to 48 kHz: the same tone, and at double speed twice the pitch
    // in half the frames.
    for (double speed : {1.0, 2.0, 0.5, 3.7}) {
        CAdxResampler r;
        const std::size_t n = 44100;
        const std::vector<float> t = Tone(1000, 44100, n);
        const double ratio = 48000.0 / (44100.0 * speed);
        const std::vector<float> out = Feed(r, t, t, std::vector<double>(400, ratio), 512);
        const std::size_t frames = out.size() / 2;
        EXPECT_NEAR(double(frames), n * ratio, 2.0) << speed;
        EXPECT_NEAR(Frequency(out, frames / 10, frames * 9 / 10), 1000.0 * speed / 48000.0, 1e-5) << speed;
        EXPECT_NEAR(20 * std::log10(Rms(out, 0, frames / 10, frames * 9 / 10) / (0.5 / std::sqrt(2.0))), 0.0,
                    0.01)
            << speed;
    }
}

TEST(CAdxResampler, SpeedingUpRemovesWhatWouldFoldBack) {
    // 15 kHz at 48 kHz played at double speed would be 30 kHz: above the output's Nyquist.
    CAdxResampler r;
    const std::vector<float> t = Tone(15000, 48000, 48000);
    const std::vector<float> out = Feed(r, t, t, std::vector<double>(100, 0.5), 512);
    const std::size_t frames = out.size() / 2;
    EXPECT_LT(20 * std::log10(Rms(out, 0, frames / 10, frames * 9 / 10) / 0.5), -80.0);
}

TEST(CAdxResampler, AVoiceSlowedDownFromHighSpeedGetsItsFullBandBack) {
    // 15 kHz at 44.1 kHz: gone at four times the speed (60 kHz), back at normal speed once the knob
    // rests, whether it was turned down at once or step by step over many blocks.
    const std::vector<float> t = Tone(15000, 44100, 44100 * 3);
    const double normal = 48000.0 / 44100.0;
    std::vector<double> atOnce(40, normal / 4);
    atOnce.resize(80, normal);
    std::vector<double> stepwise(40, normal / 4);
    for (int i = 1; i <= 30; ++i)
        stepwise.push_back(normal / (4.0 - 3.0 * i / 30.0));
    stepwise.resize(110, normal);
    for (const std::vector<double>& ratios : {atOnce, stepwise}) {
        CAdxResampler r;
        const std::vector<float> out = Feed(r, t, t, ratios, 512);
        ASSERT_EQ(out.size(), ratios.size() * 512 * 2);
        const std::size_t frames = out.size() / 2;
        EXPECT_LT(Rms(out, 0, 20 * 512, 30 * 512), 0.01) << "the tone did not fold away at four times";
        EXPECT_NEAR(20 * std::log10(Rms(out, 0, frames - 20 * 512, frames) / (0.5 / std::sqrt(2.0))), 0.0,
                    0.1)
            << "the band stayed narrow after the speed came down (" << ratios.size() << " blocks)";
    }
}

TEST(CAdxResampler, ARateChangeGlidesWithoutAJump) {
    CAdxResampler r;
    const std::vector<float> t = Tone(500, 48000, 48000 * 3);
    std::vector<double> ratios(60, 1.0);
    for (std::size_t i = 20; i < ratios.size(); ++i)
        ratios[i] = i % 2 ? 0.6 : 1.4; // a speed knob jerked back and forth every block
    const std::vector<float> out = Feed(r, t, t, ratios, 512);
    // A 500 Hz sine of amplitude 0.5 at up to 1.67 times moves at most 0.055 a frame.
    double step = 0;
    for (std::size_t i = 1; i < out.size() / 2; ++i)
        step = std::max(step, double(std::fabs(out[2 * i] - out[2 * i - 2])));
    EXPECT_LT(step, 0.06);
}

TEST(CAdxResampler, ResetStartsOverAndPositionFollowsTheInput) {
    CAdxResampler r;
    const std::vector<float> t = Tone(440, 48000, 4800);
    Feed(r, t, t, std::vector<double>(4, 0.5), 512);
    EXPECT_NEAR(r.Position(), 4 * 512 * 2.0, 1e-9);
    r.Reset();
    EXPECT_EQ(r.Position(), 0.0);
    EXPECT_FALSE(r.Drained());
    const std::vector<float> out = Feed(r, t, t, std::vector<double>(20, 1.0), 512);
    EXPECT_EQ(out.size(), t.size() * 2);
    EXPECT_EQ(out[2 * 100], t[100]);
}
