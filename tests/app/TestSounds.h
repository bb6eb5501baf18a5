#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QtEndian>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>

// Sounds made by the tests themselves: exact 16-bit PCM WAV files.
namespace app_test {

// A sine of the given frequency whose peak is peakDbfs below full scale, on every channel alike.
inline QByteArray SineWav(double seconds, double peakDbfs = -6.0, int channels = 2, int rate = 48000,
                          double hz = 1000.0) {
    const auto frames = static_cast<std::uint32_t>(seconds * rate);
    const std::uint32_t dataBytes = frames * static_cast<std::uint32_t>(channels) * 2u;
    QByteArray wav(44, '\0');
    char* h = wav.data();
    auto put32 = [](char* p, std::uint32_t v) { qToLittleEndian(v, p); };
    auto put16 = [](char* p, std::uint16_t v) { qToLittleEndian(v, p); };
    memcpy(h, "RIFF", 4);
    put32(h + 4, 36 + dataBytes);
    memcpy(h + 8, "WAVEfmt ", 8);
    put32(h + 16, 16);
    put16(h + 20, 1);
    put16(h + 22, static_cast<std::uint16_t>(channels));
    put32(h + 24, static_cast<std::uint32_t>(rate));
    put32(h + 28, static_cast<std::uint32_t>(rate * channels * 2));
    put16(h + 32, static_cast<std::uint16_t>(channels * 2));
    put16(h + 34, 16);
    memcpy(h + 36, "data", 4);
    put32(h + 40, dataBytes);
    wav.resize(44 + static_cast<qsizetype>(dataBytes));
    const double amplitude = 32767.0 * std::pow(10.0, peakDbfs / 20.0);
    char* p = wav.data() + 44;
    for (std::uint32_t f = 0; f < frames; ++f) {
        const auto s = static_cast<std::int16_t>(
            std::lround(amplitude * std::sin(2.0 * std::numbers::pi * hz * f / rate)));
        for (int c = 0; c < channels; ++c, p += 2)
            put16(p, static_cast<std::uint16_t>(s));
    }
    return wav;
}

// Writes bytes to path, making its folders; the absolute path.
inline QString WriteTestFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(bytes);
    return QFileInfo(path).absoluteFilePath();
}

} // namespace app_test
