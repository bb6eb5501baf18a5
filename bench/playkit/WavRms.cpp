// padora-wav-rms FILE...
// Per-channel RMS (dBFS) and length of 16-bit or float WAV files, to compare the offline
// render with the peers' outputs.
#include "ToneFit.h"
#include "WavFile.h"

#include <algorithm>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE...\n", argv[0]);
        return 2;
    }
    int status = 0;
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
        for (int ch = 0; ch < wav.nChannels; ++ch) {
            std::vector<float> channel(wav.Frames());
            for (size_t f = 0; f < channel.size(); ++f)
                channel[f] = wav.samples[f * wav.nChannels + ch];
            std::printf(" rms_db_ch%d=%.3f", ch + 1, RmsDb(channel));
        }
        std::printf("\n");
    }
    return status;
}
