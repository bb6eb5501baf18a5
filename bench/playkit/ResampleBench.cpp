// padora-bench-resample
// How clean the engine's tape-speed resampling is next to ffmpeg's default (asetrate then
// aresample, the way the peer benchmark changes speed). A sine at 44.1 kHz (3 s, longer for high rates) is
// played at a rate through the engine's offline render and through the ffmpeg command line (32-bit float
// output, so only the resampler is measured); the middle second of each output is fitted with a sine at the
// expected frequency:
//   - tone inside the band: noise_db, everything but the tone (THD+N) against the input tone, and
//     gain_db, the tone's level against the input's (how flat the band is);
//   - tone pushed above 20 kHz: alias_db, everything left in the output against the input tone
//     (an ideal resampler removes the tone completely);
//   - spur_db, always: the strongest alias or image of the tone, measured narrowband at the
//     frequencies where a resampler leaves them (k * clock +- tone, folded into 0..24 kHz), against
//     the input tone. Broadband figures stop at the 16-bit input's noise (about -92 dB); this one
//     reaches far below it.
// Lower is cleaner for noise, alias and spur.
#include "BenchEngine.h"
#include "InputCache.h"
#include "ToneFit.h"
#include "WavFile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kSourceRate = 44100;
constexpr int kOutRate = 48000;
constexpr double kSeconds = 3.0;
constexpr double kAmplitude = 0.5;
constexpr double kAudibleLimit = 20000; // above this the tone is judged as an alias
constexpr double kToleranceDb = 1.0;    // run-to-run spread of these figures

struct SCase {
    double dFrequency;
    double dRate;
};

// Long enough that every output lasts two seconds or more.
double InputSeconds(double rate) {
    return std::max(kSeconds, 2.0 * rate);
}

// Left channel of the middle second of a render: clear of start and end transients.
std::vector<float> MiddleSecond(const std::vector<float>& stereo) {
    const size_t frames = stereo.size() / 2;
    const size_t want = kOutRate;
    const size_t start = frames > want ? (frames - want) / 2 : 0;
    std::vector<float> left;
    for (size_t i = start; i < std::min(frames, start + want); ++i)
        left.push_back(stereo[2 * i]);
    return left;
}

bool RenderEngine(const std::string& path, double rate, std::vector<float>& out) {
    auto player = OpenPlayer(path, 1);
    if (!player || player->SetRate(rate) != 0)
        return false;
    // Results go unread: the players are open, the values in range, and a refusal shows in the figures.
    (void)player->Play();
    const size_t frames = static_cast<size_t>(InputSeconds(rate) / rate * kOutRate);
    out.assign(2 * frames, 0.0f);
    const bool ok = playkit::CAdxEngine::Render(out.data(), frames);
    player->Close();
    // Flush whatever the engine still holds (a ramp, a resampler tail) before the next case.
    std::vector<float> rest(2 * 4800);
    playkit::CAdxEngine::Render(rest.data(), 4800);
    return ok;
}

bool RenderFfmpeg(const std::string& path, double rate, const std::string& outPath, std::vector<float>& out) {
    const long clocked = std::lround(kSourceRate * rate);
    const int status =
        RunProgram({"ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y", "-i", path, "-af",
                    "asetrate=" + std::to_string(clocked) + ",aresample=" + std::to_string(kOutRate), "-c:a",
                    "pcm_f32le", outPath});
    SWavData wav;
    std::string error;
    if (status != 0 || !ReadWav(outPath, wav, error) || wav.nChannels != 2 || wav.nRate != kOutRate) {
        std::fprintf(stderr, "ffmpeg could not resample %s %s\n", path.c_str(), error.c_str());
        return false;
    }
    out = std::move(wav.samples);
    return true;
}

struct SScore {
    bool bAlias = false; // the tone was pushed above the band
    double dNoise = 0;   // in band: everything but the tone; above: everything; dB against the input tone
    double dGain = 0;    // in band: the tone's level against the input's, dB
};

SScore Score(const std::vector<float>& stereo, const SCase& c) {
    const auto middle = MiddleSecond(stereo);
    const double expected = c.dFrequency * c.dRate;
    const double inputDb = 20 * std::log10(kAmplitude / std::sqrt(2.0));
    SScore score;
    score.bAlias = expected > kAudibleLimit;
    if (score.bAlias) {
        score.dNoise = RmsDb(middle) - inputDb;
        return score;
    }
    // Noise is taken against the input's level, not the output tone's, so that a filter that
    // dulls the top of the band is not charged twice: that shows in gain_db.
    const SToneFit fit = FitTone(middle, kOutRate, expected);
    score.dGain = 20 * std::log10(std::max(fit.dAmplitude, 1e-12) / kAmplitude);
    score.dNoise = fit.dResidualDb + score.dGain;
    return score;
}

double Fold(double frequency) {
    double f = std::fmod(std::fabs(frequency), kOutRate);
    return f > kOutRate / 2 ? kOutRate - f : f;
}

double SpurDb(const std::vector<float>& stereo, const SCase& c) {
    const auto middle = MiddleSecond(stereo);
    const double tone = c.dFrequency * c.dRate;
    const double clock = kSourceRate * c.dRate; // the rate the input is played at
    double worst = 0;
    for (int k = 0; k <= 3; ++k) {
        for (int sign : {-1, 1}) {
            const double at = Fold(k * clock + sign * tone);
            // The tone itself, DC and the edge of the band are no spurs.
            if ((tone < kOutRate / 2 && std::fabs(at - tone) < 20) || at < 20 || at > kOutRate / 2 - 20)
                continue;
            worst = std::max(worst, ToneAmplitude(middle, kOutRate, at));
        }
    }
    return 20 * std::log10(std::max(worst, 1e-12) / kAmplitude);
}

} // namespace

int main() {
    const SCase cases[] = {{1000, 0.5},  {1000, 1.0},  {1000, 1.5},  {1000, 2.0},  {6000, 0.5},
                           {6000, 1.5},  {6000, 2.0},  {15000, 0.5}, {15000, 1.0}, {15000, 1.25},
                           {15000, 2.0}, {20000, 1.5}, {13000, 3.0}, {1000, 10.0}, {2000, 0.1}};
    CInputCache cache;
    // Without the engine the peer's figures are still printed, as a reference.
    const bool haveEngine = UseBackend(playkit::AdxBackend::Offline);
    double worstMargin = -1e9; // noise or alias, engine minus ffmpeg, dB; positive: the engine is dirtier
    double worstSpurEngine = -1e9, worstSpurFfmpeg = -1e9, lowestGainEngine = 0, lowestGainFfmpeg = 0;
    for (const auto& c : cases) {
        const std::string path = cache.Sine(c.dFrequency, kSourceRate, InputSeconds(c.dRate), kAmplitude);
        std::vector<float> engine, ffmpeg;
        if (path.empty() || !RenderFfmpeg(path, c.dRate, cache.Dir() + "/resampled_by_ffmpeg.wav", ffmpeg))
            return 1;
        const SScore f = Score(ffmpeg, c);
        const double fSpur = SpurDb(ffmpeg, c);
        const char* kind = f.bAlias ? "alias_db" : "noise_db";
        worstSpurFfmpeg = std::max(worstSpurFfmpeg, fSpur);
        lowestGainFfmpeg = std::min(lowestGainFfmpeg, f.dGain);
        std::printf("tone_hz=%g rate=%g out_hz=%g %s_ffmpeg=%.1f spur_db_ffmpeg=%.1f", c.dFrequency, c.dRate,
                    c.dFrequency * c.dRate, kind, f.dNoise, fSpur);
        if (!f.bAlias)
            std::printf(" gain_db_ffmpeg=%.2f", f.dGain);
        if (haveEngine) {
            if (!RenderEngine(path, c.dRate, engine)) {
                std::printf("\n");
                std::fprintf(stderr, "the engine could not render %s\n", path.c_str());
                return 1;
            }
            const SScore e = Score(engine, c);
            const double eSpur = SpurDb(engine, c);
            worstMargin = std::max(worstMargin, e.dNoise - f.dNoise);
            worstSpurEngine = std::max(worstSpurEngine, eSpur);
            lowestGainEngine = std::min(lowestGainEngine, e.dGain);
            std::printf(" %s_engine=%.1f spur_db_engine=%.1f", kind, e.dNoise, eSpur);
            if (!e.bAlias)
                std::printf(" gain_db_engine=%.2f", e.dGain);
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    if (!haveEngine)
        return 1;
    // As clean: no case with more noise, distortion or alias, and no alias or image louder than
    // the loudest one ffmpeg leaves anywhere. The band's flatness is reported beside it.
    const bool clean = worstMargin <= kToleranceDb && worstSpurEngine <= worstSpurFfmpeg + kToleranceDb;
    std::printf("worst_noise_engine_minus_ffmpeg_db=%.1f worst_spur_db_engine=%.1f worst_spur_db_ffmpeg=%.1f "
                "lowest_gain_db_engine=%.2f lowest_gain_db_ffmpeg=%.2f as_clean=%s\n",
                worstMargin, worstSpurEngine, worstSpurFfmpeg, lowestGainEngine, lowestGainFfmpeg,
                clean ? "yes" : "no");
    return 0;
}
