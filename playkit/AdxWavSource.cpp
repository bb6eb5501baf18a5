#include "playkit/AdxWavSource.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace playkit {
namespace {
constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatFloat = 3;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
constexpr std::size_t kReadFrames = 4096;
constexpr int kMaxChannels = 32;
// Beyond any real recording; a rate read from a damaged header must also fit an int.
constexpr std::uint32_t kMaxRate = 768000;

std::uint32_t Le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
} // namespace

std::unique_ptr<CAdxWavSource> CAdxWavSource::Open(const std::string& path) {
    std::unique_ptr<CAdxWavSource> src(new CAdxWavSource);
    src->m_file = std::fopen(path.c_str(), "rb");
    if (!src->m_file)
        return nullptr;
    std::uint8_t head[12];
    if (std::fread(head, 1, 12, src->m_file) != 12 || std::memcmp(head, "RIFF", 4) != 0 ||
        std::memcmp(head + 8, "WAVE", 4) != 0)
        return nullptr;
    bool haveFormat = false;
    std::uint16_t tag = 0, channels = 0, bits = 0;
    std::uint32_t rate = 0;
    for (;;) {
        std::uint8_t chunk[8];
        if (std::fread(chunk, 1, 8, src->m_file) != 8)
            return nullptr;
        const std::uint32_t size = Le32(chunk + 4);
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            std::uint8_t fmt[40] = {};
            const std::size_t n = std::min<std::size_t>(size, sizeof fmt);
            if (size < 16 || std::fread(fmt, 1, n, src->m_file) != n)
                return nullptr;
            tag = Le16(fmt);
            channels = Le16(fmt + 2);
            rate = Le32(fmt + 4);
            bits = Le16(fmt + 14);
            if (tag == kFormatExtensible && n >= 26)
                tag = Le16(fmt + 24); // the sub-format's first two bytes are the format tag
            if (std::fseek(src->m_file, static_cast<long>(size - n + (size & 1)), SEEK_CUR) != 0)
                return nullptr;
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat)
                return nullptr;
            src->m_dataOffset = std::ftell(src->m_file);
            const bool isFloat = tag == kFormatFloat && bits == 32;
            const bool isPcm = tag == kFormatPcm && (bits == 8 || bits == 16 || bits == 24 || bits == 32);
            if (!(isFloat || isPcm) || channels < 1 || channels > kMaxChannels || rate < 1 || rate > kMaxRate)
                return nullptr;
            src->m_channels = channels;
            src->m_rate = static_cast<int>(rate);
            src->m_bytesPerSample = bits / 8;
            src->m_float = isFloat;
            // A size of 0 or one past the end of the file (streamed recordings): up to the end.
            std::fseek(src->m_file, 0, SEEK_END);
            const long end = std::ftell(src->m_file);
            const std::int64_t avail = end - src->m_dataOffset;
            const std::int64_t bytes =
                size == 0 || size == 0xFFFFFFFFu ? avail : std::min<std::int64_t>(size, avail);
            src->m_frames = bytes / (static_cast<std::int64_t>(channels) * src->m_bytesPerSample);
            std::fseek(src->m_file, src->m_dataOffset, SEEK_SET);
            src->m_buffer.resize(kReadFrames * channels * static_cast<std::size_t>(src->m_bytesPerSample));
            return src;
        } else if (std::fseek(src->m_file, static_cast<long>(size + (size & 1)), SEEK_CUR) != 0) {
            return nullptr;
        }
    }
}

CAdxWavSource::~CAdxWavSource() {
    if (m_file)
        std::fclose(m_file);
}

std::size_t CAdxWavSource::Read(std::int16_t* dst, std::size_t frames) {
    const std::size_t ch = static_cast<std::size_t>(m_channels);
    const std::size_t bps = static_cast<std::size_t>(m_bytesPerSample);
    std::size_t done = 0;
    while (done < frames && m_frame < m_frames) {
        const std::size_t want =
            std::min<std::size_t>({frames - done, kReadFrames, static_cast<std::size_t>(m_frames - m_frame)});
        const std::size_t got = std::fread(m_buffer.data(), ch * bps, want, m_file);
        const std::uint8_t* p = m_buffer.data();
        std::int16_t* out = dst + done * ch;
        const std::size_t n = got * ch;
        if (m_float) {
            for (std::size_t i = 0; i < n; ++i) {
                float f;
                std::memcpy(&f, p + 4 * i, 4);
                out[i] =
                    static_cast<std::int16_t>(std::lrintf(std::clamp(f * 32768.0f, -32768.0f, 32767.0f)));
            }
        } else if (bps == 2) {
            std::memcpy(out, p, n * 2);
        } else if (bps == 1) {
            for (std::size_t i = 0; i < n; ++i)
                out[i] = static_cast<std::int16_t>((p[i] - 128) << 8);
        } else {
            // 24 and 32-bit: keep the top 16 bits.
            for (std::size_t i = 0; i < n; ++i)
                out[i] = static_cast<std::int16_t>(Le16(p + i * bps + bps - 2));
        }
        done += got;
        m_frame += static_cast<std::int64_t>(got);
        if (got < want)
            break; // the file is shorter than its header says
    }
    m_atEnd = m_frame >= m_frames || done < frames;
    return done;
}

void CAdxWavSource::Seek(std::int64_t frame) {
    m_frame = std::clamp<std::int64_t>(frame, 0, m_frames);
    const long at = m_dataOffset + static_cast<long>(m_frame * m_channels * m_bytesPerSample);
    std::fseek(m_file, at, SEEK_SET);
    m_atEnd = m_frame >= m_frames;
}

} // namespace playkit
