// WAV files from anywhere: the reader refuses them or reads what is there, in bounded memory, and
// stops at its end.
#include "FuzzFile.h"

#include "playkit/AdxWavSource.h"

#include <cmath>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto src = playkit::CAdxWavSource::Open(fuzz::WriteInput(data, size, ".wav"));
    if (!src)
        return 0;
    const double duration = src->Duration();
    if (!std::isfinite(duration) || duration < 0 || src->Channels() < 1 || src->SampleRate() < 1)
        std::abort();
    constexpr std::size_t kFrames = 1024;
    std::vector<std::int16_t> buf(kFrames * static_cast<std::size_t>(src->Channels()));
    // Every byte can hold at most one frame: more reads than bytes means the reader never ends.
    for (std::size_t reads = 0; !src->AtEnd(); ++reads) {
        if (reads > size + 1)
            std::abort();
        if (src->Read(buf.data(), kFrames) == 0)
            break;
    }
    src->Seek(0);
    src->Read(buf.data(), kFrames);
    src->Seek(static_cast<std::int64_t>(size) * 2);
    src->Read(buf.data(), kFrames);
    return 0;
}
