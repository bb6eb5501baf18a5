#include "PlaykitMedia.h"

#include "playkit/AdxWavSource.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

using playkit::CAdxWavSource;

namespace {
// A WAV file of the given format tag and sample size, data as raw bytes.
std::string WriteRaw(const std::string& name, std::uint16_t tag, int channels, int bits,
                     const std::string& data, std::uint32_t declaredSize) {
    static const std::string dir = playkit_test::MakeTempDir();
    const std::string path = dir + "/" + name;
    std::ofstream o(path, std::ios::binary);
    auto put = [&o](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            o.put(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    o.write("RIFF", 4);
    put(36 + static_cast<std::uint32_t>(data.size()) + 12, 4);
    o.write("WAVE", 4);
    o.write("LIST", 4); // a chunk to skip, of odd length (padded)
    put(3, 4);
    o.write("abc\0", 4);
    o.write("fmt ", 4);
    put(16, 4);
    put(tag, 2);
    put(static_cast<std::uint32_t>(channels), 2);
    put(8000, 4);
    put(static_cast<std::uint32_t>(8000 * channels * bits / 8), 4);
    put(static_cast<std::uint32_t>(channels * bits / 8), 2);
    put(static_cast<std::uint32_t>(bits), 2);
    o.write("data", 4);
    put(declaredSize, 4);
    o.write(data.data(), static_cast<std::streamsize>(data.size()));
    return path;
}

std::vector<std::int16_t> ReadAll(CAdxWavSource& s) {
    std::vector<std::int16_t> out(64);
    const std::size_t n = s.Read(out.data(), 64 / static_cast<std::size_t>(s.Channels()));
    out.resize(n * static_cast<std::size_t>(s.Channels()));
    return out;
}
} // namespace

TEST(CAdxWavSource, ReadsEveryPcmSampleSizeAndFloat) {
    // 8-bit unsigned, 24-bit and 32-bit integer, 32-bit float: all to 16 bits.
    auto eight = CAdxWavSource::Open(WriteRaw("u8.wav", 1, 1, 8, std::string("\x80\xFF\x00", 3), 3));
    ASSERT_TRUE(eight);
    EXPECT_EQ(ReadAll(*eight), (std::vector<std::int16_t>{0, 32512, -32768}));
    auto twentyFour =
        CAdxWavSource::Open(WriteRaw("s24.wav", 1, 2, 24, std::string("\x00\x00\x80\xFF\xFF\x7F", 6), 6));
    ASSERT_TRUE(twentyFour);
    EXPECT_EQ(twentyFour->Channels(), 2);
    EXPECT_EQ(twentyFour->SampleRate(), 8000);
    EXPECT_EQ(ReadAll(*twentyFour), (std::vector<std::int16_t>{-32768, 32767}));
    float f[2] = {-1.0f, 0.5f};
    auto flt =
        CAdxWavSource::Open(WriteRaw("f32.wav", 3, 1, 32, std::string(reinterpret_cast<char*>(f), 8), 8));
    ASSERT_TRUE(flt);
    EXPECT_EQ(ReadAll(*flt), (std::vector<std::int16_t>{-32768, 16384}));
    EXPECT_TRUE(flt->AtEnd());
}

TEST(CAdxWavSource, TrustsTheFileOverItsHeaderAndSeeksByFrame) {
    // A data size past the end (a recording cut short) plays what is there.
    std::string data;
    for (int i = 0; i < 10; ++i) {
        data.push_back(static_cast<char>(i));
        data.push_back(0);
    }
    auto s = CAdxWavSource::Open(WriteRaw("cut.wav", 1, 1, 16, data, 1000));
    ASSERT_TRUE(s);
    EXPECT_DOUBLE_EQ(s->Duration(), 10.0 / 8000);
    s->Seek(7);
    std::int16_t out[8] = {};
    EXPECT_EQ(s->Read(out, 8), 3u);
    EXPECT_EQ(out[0], 7);
    EXPECT_EQ(out[2], 9);
    EXPECT_TRUE(s->AtEnd());
    s->Seek(0);
    EXPECT_FALSE(s->AtEnd());
    EXPECT_EQ(s->Read(out, 1), 1u);
    EXPECT_EQ(out[0], 0);
}

TEST(CAdxWavSource, LeavesOtherEncodingsToTheGeneralDecoder) {
    EXPECT_FALSE(CAdxWavSource::Open(WriteRaw("adpcm.wav", 2, 1, 4, std::string(8, '\0'), 8)));
    EXPECT_FALSE(CAdxWavSource::Open(WriteRaw("odd.wav", 1, 1, 12, std::string(8, '\0'), 8)));
    EXPECT_FALSE(CAdxWavSource::Open("/nonexistent/file.wav"));
}
