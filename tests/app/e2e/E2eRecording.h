#pragma once

// What the real program played: WAV fixtures it is given, and the growing WAV file of its record:
// output, read as it stands while the program runs.
#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QString>
#include <QThread>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <numbers>
#include <vector>

namespace e2e {

inline constexpr int kRecordRate = 48000;

// Polls until done() holds, keeping the test's own event loop going; false on timeout.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(20);
    }
    return true;
}

// A 16-bit stereo WAV whose sample is given per frame (both sides alike), in -1..1.
inline QByteArray MakeWav(double seconds, const std::function<double(double t)>& sample) {
    const auto frames = static_cast<std::uint32_t>(seconds * kRecordRate);
    QByteArray wav(44 + static_cast<qsizetype>(frames) * 4, '\0');
    char* h = wav.data();
    std::memcpy(h, "RIFF", 4);
    qToLittleEndian<std::uint32_t>(36 + frames * 4, h + 4);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    qToLittleEndian<std::uint32_t>(16, h + 16);
    qToLittleEndian<std::uint16_t>(1, h + 20);
    qToLittleEndian<std::uint16_t>(2, h + 22);
    qToLittleEndian<std::uint32_t>(kRecordRate, h + 24);
    qToLittleEndian<std::uint32_t>(kRecordRate * 4, h + 28);
    qToLittleEndian<std::uint16_t>(4, h + 32);
    qToLittleEndian<std::uint16_t>(16, h + 34);
    std::memcpy(h + 36, "data", 4);
    qToLittleEndian<std::uint32_t>(frames * 4, h + 40);
    char* p = h + 44;
    for (std::uint32_t f = 0; f < frames; ++f) {
        const auto s =
            static_cast<std::int16_t>(std::lround(32767.0 * sample(static_cast<double>(f) / kRecordRate)));
        qToLittleEndian<std::int16_t>(s, p);
        qToLittleEndian<std::int16_t>(s, p + 2);
        p += 4;
    }
    return wav;
}

inline double Sine(double t, double hz, double dbfs) {
    return std::pow(10.0, dbfs / 20.0) * std::sin(2.0 * std::numbers::pi * hz * t);
}

// The growing WAV file of the record: output (16-bit stereo at kRecordRate), read as it stands.
class Recording {
public:
    explicit Recording(QString path, int timeoutMs = 15000)
        : m_path(std::move(path)), m_timeoutMs(timeoutMs) {}

    // Frames written so far.
    qint64 Frames() const {
        QFile f(m_path);
        if (!f.open(QIODevice::ReadOnly))
            return 0;
        return std::max<qint64>(0, (f.size() - 44) / 4);
    }
    // Waits until the recording holds frame `until`.
    bool WaitFor(qint64 until) const {
        return WaitUntil([&] { return Frames() >= until; }, m_timeoutMs);
    }
    // Interleaved stereo samples of frames [from, from + count), -1..1.
    std::vector<float> Read(qint64 from, qint64 count) const {
        std::vector<float> out;
        QFile f(m_path);
        if (!f.open(QIODevice::ReadOnly) || !f.seek(44 + from * 4))
            return out;
        const QByteArray bytes = f.read(count * 4);
        out.resize(static_cast<std::size_t>(bytes.size() / 2));
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] = qFromLittleEndian<std::int16_t>(bytes.constData() + 2 * i) / 32768.0f;
        return out;
    }
    // RMS of one side (0 left, 1 right) over [from, from + seconds).
    double Rms(qint64 from, double seconds, int side) const {
        const auto count = static_cast<qint64>(seconds * kRecordRate);
        WaitFor(from + count);
        const auto s = Read(from, count);
        double sum = 0;
        for (std::size_t i = side; i < s.size(); i += 2)
            sum += s[i] * s[i];
        return s.empty() ? 0.0 : std::sqrt(sum / (s.size() / 2));
    }
    double Rms(qint64 from, double seconds) const {
        return std::max(Rms(from, seconds, 0), Rms(from, seconds, 1));
    }
    // Frequency of one side from its rising zero crossings.
    double Frequency(qint64 from, double seconds, int side) const {
        const auto count = static_cast<qint64>(seconds * kRecordRate);
        WaitFor(from + count);
        const auto s = Read(from, count);
        int crossings = 0;
        for (std::size_t i = side + 2; i < s.size(); i += 2)
            crossings += s[i - 2] < 0 && s[i] >= 0 ? 1 : 0;
        return crossings / seconds;
    }
    static qint64 FramesOf(double seconds) { return static_cast<qint64>(seconds * kRecordRate); }

private:
    QString m_path;
    int m_timeoutMs;
};

} // namespace e2e
