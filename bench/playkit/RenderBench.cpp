// padora-render MIXFILE INPUT_DIR OUT.wav
// Renders a mix offline through the program's own players and mixer: every input starts at
// once with its volume, balance and tape speed; the output is 48 kHz stereo 16-bit and lasts
// as long as the longest input.
#include "BenchEngine.h"
#include "MixFile.h"
#include "ProcessStats.h"
#include "WavFile.h"

#include <chrono>
#include <cmath>
#include <cstdio>

namespace {

constexpr size_t kChunkFrames = 4800; // 0.1 s at 48 kHz

} // namespace

int main(int argc, char** argv) {
    const auto start = std::chrono::steady_clock::now();
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s MIXFILE INPUT_DIR OUT.wav\n", argv[0]);
        return 2;
    }
    CMixFile mix;
    std::string error;
    if (!mix.Load(argv[1], error)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], error.c_str());
        return 2;
    }
    if (!UseBackend(playkit::AdxBackend::Offline))
        return 1;
    const unsigned rate = playkit::CAdxEngine::SampleRate();

    std::vector<std::unique_ptr<CAdxShow>> players;
    double longest = 0;
    const double openStart = ThisThreadCpuSeconds();
    for (const auto& entry : mix.Entries()) {
        auto player = OpenPlayer(std::string(argv[2]) + "/" + entry.strFile, players.size() + 1);
        if (!player)
            return 1;
        if (player->SetVolume(entry.nVolume) != 0 || player->SetBalance(entry.nBalance) != 0 ||
            player->SetRate(entry.dSpeed) != 0) {
            std::fprintf(stderr, "%s: the player refused its volume, balance or speed\n",
                         entry.strFile.c_str());
            return 1;
        }
        longest = std::max(longest, player->GetTotalTime() / entry.dSpeed);
        players.push_back(std::move(player));
    }
    const double openCpu = ThisThreadCpuSeconds() - openStart;
    for (auto& player : players)
        // Results go unread: the players are open, the values in range, and a refusal shows in the figures.
        (void)player->Play();

    CWavWriter writer;
    if (!writer.Open(argv[3], 2, static_cast<int>(rate))) {
        std::fprintf(stderr, "cannot write %s\n", argv[3]);
        return 1;
    }
    const size_t total = static_cast<size_t>(std::llround(longest * rate));
    std::vector<float> mixed(2 * kChunkFrames);
    std::vector<int16_t> pcm(2 * kChunkFrames);
    double renderCpu = 0; // this thread's time inside Render: the mixer runs on the caller's thread
    for (size_t done = 0; done < total;) {
        const size_t frames = std::min(kChunkFrames, total - done);
        const double renderStart = ThisThreadCpuSeconds();
        const bool rendered = playkit::CAdxEngine::Render(mixed.data(), frames);
        renderCpu += ThisThreadCpuSeconds() - renderStart;
        if (!rendered) {
            std::fprintf(stderr, "the engine stopped rendering at %.3f s\n",
                         static_cast<double>(done) / rate);
            return 1;
        }
        ToPcm16(std::span(mixed).first(2 * frames), pcm.data());
        if (!writer.Write(std::span(pcm).first(2 * frames))) {
            std::fprintf(stderr, "cannot write %s (disk full?)\n", argv[3]);
            return 1;
        }
        done += frames;
    }
    if (!writer.Close()) {
        std::fprintf(stderr, "cannot write %s (disk full?)\n", argv[3]);
        return 1;
    }
    // Where the time went, thread by thread, while they all still exist.
    std::printf("thread_cpu_s=");
    for (const auto& thread : ThreadCpuTimes())
        std::printf("%s:%.2f,", thread.strName.c_str(), thread.dSeconds);
    std::printf("\n");
    for (auto& player : players)
        player->Close();

    const auto counters = playkit::CAdxEngine::Counters();
    std::printf(
        "inputs=%zu frames=%zu underruns=%llu open_cpu_s=%.3f render_call_cpu_s=%.3f mix_cpu_s=%.3f\n",
        players.size(), total, static_cast<unsigned long long>(counters.underruns), openCpu, renderCpu,
        counters.callbackCpuSeconds);
    std::printf("cpu_s=%.2f wall_s=%.2f out_s=%.3f\n", ProcessCpuSeconds(),
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
                static_cast<double>(total) / rate);
    return 0;
}
