#include "app/data/LoudnessMeter.h"

#include "platform/SafeFile.h"
#include "playkit/AdxFileDecoder.h"
#include "playkit/AdxTypes.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr std::size_t kChunkFrames = 8192;
constexpr long kSilentAttenuation = kAdxSilence;

struct StateDeleter {
    void operator()(ebur128_state* st) const { ebur128_destroy(&st); }
};

} // namespace

bool CLoudnessMeter::Measure(const QString& path, double& lufs, QString& error,
                             const std::atomic<bool>* stop) {
    // The decoder would wait for ever on a FIFO with no writer.
    if (platform::KindOfFile(path) == platform::FileKind::Other) {
        error = QStringLiteral("not a regular file");
        return false;
    }
    playkit::CAdxFileDecoder decoder;
    const HRESULT hr = decoder.Open(path.toLocal8Bit().toStdString());
    if (hr != S_OK) {
        error = QString::fromStdString(playkit::AdxErrorText(hr));
        return false;
    }
    const int channels = decoder.Channels();
    const int rate = decoder.SampleRate();
    std::unique_ptr<ebur128_state, StateDeleter> state(
        ebur128_init(static_cast<unsigned>(channels), static_cast<unsigned long>(rate), EBUR128_MODE_I));
    if (!state) {
        error = QStringLiteral("cannot measure %1 channels at %2 Hz").arg(channels).arg(rate);
        return false;
    }
    // A mono file plays on both sides at full level: measured as two channels it is 3 dB louder
    // than the one-channel figure, which is what the listener hears.
    if (channels == 1)
        ebur128_set_channel(state.get(), 0, EBUR128_DUAL_MONO);
    std::vector<std::int16_t> buffer(kChunkFrames * static_cast<std::size_t>(channels));
    for (;;) {
        if (stop && stop->load(std::memory_order_relaxed)) {
            error = QString::fromUtf8(kAbandonedText);
            return false;
        }
        const std::size_t got = decoder.Read(buffer.data(), kChunkFrames);
        if (got > 0 && ebur128_add_frames_short(state.get(), buffer.data(), got) != EBUR128_SUCCESS) {
            error = QStringLiteral("measurement failed");
            return false;
        }
        if (got < kChunkFrames)
            break;
    }
    double value = 0.0;
    if (ebur128_loudness_global(state.get(), &value) != EBUR128_SUCCESS) {
        error = QStringLiteral("measurement failed");
        return false;
    }
    lufs = std::isfinite(value) ? value : kSilent;
    return true;
}

double CLoudnessMeter::GainDb(double lufs, double target) {
    if (std::isnan(lufs) || lufs <= kSilent)
        return 0.0;
    return std::min(0.0, target - lufs);
}

long CLoudnessMeter::Attenuation(int volume, int master, double gainDb) {
    if (volume <= 0 || master <= 0)
        return kSilentAttenuation;
    // Truncated towards zero, as the fader's own figure always was.
    const long base = static_cast<long>(2000.0 * std::log10(volume * (master / 100.0) / 100.0));
    const long gain = std::lround(gainDb * 100.0);
    return std::clamp(base + gain, kSilentAttenuation, 0L);
}
