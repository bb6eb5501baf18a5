// padora-wav-rms FILE...
// Per-channel RMS (dBFS) and length of 16-bit or float WAV files, to compare the offline
// render with the peers' outputs: every file after the first also gets the largest
// per-channel difference from the first one.
#include "ToneFit.h"
#include "WavFile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE...\n", argv[0]);
        return 2;
    }
    int status = 0;
    std::vector<double> first;
    for (int i = 1; i < argc; ++i) {
        SWavData wav;
        std::string error;
        if (!ReadWav(argv[i], wav, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            status = 1;
            continue;
        }
        std::printf("file=%s rate=%d out_s=%.3f", argv[i], wav.nRate,
                    static_cast<double>(wav.Frames()) / std::max(wav.nRate, 1));
        std::vector<double> levels;
        for (int ch = 0; ch < wav.nChannels; ++ch) {
            std::vector<float> channel(wav.Frames());
            for (size_t f = 0; f < channel.size(); ++f)
                channel[f] = wav.samples[f * wav.nChannels + ch];
            levels.push_back(RmsDb(channel));
            std::printf(" rms_db_ch%d=%.3f", ch + 1, levels.back());
        }
        if (first.empty()) {
            first = levels;
        } else if (first.size() == levels.size()) {
            double diff = 0;
            for (size_t ch = 0; ch < levels.size(); ++ch)
                diff = std::max(diff, std::fabs(levels[ch] - first[ch]));
            std::printf(" max_rms_diff_db=%.3f", diff);
        }
        std::printf("\n");
    }
    return status;
}
