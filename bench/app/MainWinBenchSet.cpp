#include "MainWinBenchSet.h"

#include "app/data/GroupFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace {

constexpr int kRate = 48000;
constexpr int kSeconds = 180;

bool WriteToneWav(const QString& path) {
    const std::uint32_t frames = kRate * kSeconds;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    QByteArray h(44, '\0');
    memcpy(h.data(), "RIFF", 4);
    qToLittleEndian<std::uint32_t>(36 + frames * 4, h.data() + 4);
    memcpy(h.data() + 8, "WAVEfmt ", 8);
    qToLittleEndian<std::uint32_t>(16, h.data() + 16);
    qToLittleEndian<std::uint16_t>(1, h.data() + 20);
    qToLittleEndian<std::uint16_t>(2, h.data() + 22);
    qToLittleEndian<std::uint32_t>(kRate, h.data() + 24);
    qToLittleEndian<std::uint32_t>(kRate * 4, h.data() + 28);
    qToLittleEndian<std::uint16_t>(4, h.data() + 32);
    qToLittleEndian<std::uint16_t>(16, h.data() + 34);
    memcpy(h.data() + 36, "data", 4);
    qToLittleEndian<std::uint32_t>(frames * 4, h.data() + 40);
    f.write(h);
    QByteArray block(kRate * 4, '\0');
    for (int s = 0; s < kSeconds; ++s) {
        for (int i = 0; i < kRate; ++i) {
            const double t = s + static_cast<double>(i) / kRate;
            const double v = 0.3 * std::sin(2 * std::numbers::pi * 220 * t) +
                             0.2 * std::sin(2 * std::numbers::pi * 331 * t);
            const auto x = static_cast<std::int16_t>(std::lround(v * 32767));
            qToLittleEndian<std::int16_t>(x, block.data() + 4 * i);
            qToLittleEndian<std::int16_t>(x, block.data() + 4 * i + 2);
        }
        f.write(block);
    }
    return true;
}

bool Encode(const QString& wav, const QString& out) {
    if (QFileInfo::exists(out))
        return true;
    std::fprintf(stderr, "encoding %s\n", qPrintable(out));
    QProcess ff;
    ff.start(QStringLiteral("ffmpeg"),
             {QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-y"),
              QStringLiteral("-i"), wav, out + QStringLiteral(".part.") + QFileInfo(out).suffix()});
    if (!ff.waitForFinished(600000) || ff.exitCode() != 0)
        return false;
    return QFile::rename(out + QStringLiteral(".part.") + QFileInfo(out).suffix(), out);
}

} // namespace

QString MakeBenchSet(int groups) {
    const QString base = qEnvironmentVariable("PADORA_BENCH_DIR", QStringLiteral("/tmp/padora-bench"));
    const QString dir = base + QStringLiteral("/mainwin");
    QDir().mkpath(dir);
    const QString wav = dir + QStringLiteral("/tone180.wav");
    if (!QFileInfo::exists(wav) && !WriteToneWav(wav))
        return {};
    const QString mp3 = dir + QStringLiteral("/tone180.mp3");
    const QString ogg = dir + QStringLiteral("/tone180.ogg");
    if (!Encode(wav, mp3) || !Encode(wav, ogg))
        return {};
    const QString files[3] = {mp3, wav, ogg};
    CGroupArray set;
    for (int g = 0; g < groups; ++g) {
        CGroupData group;
        group.m_strName = QStringLiteral("Group%1").arg(g + 1);
        for (int c = 0; c < CGroupData::kChannelCount; ++c) {
            CChannelData& ch = group.m_aChannel[c];
            ch.m_strTitle = QStringLiteral("Sound %1-%2").arg(g + 1).arg(c + 1);
            ch.m_strFile = files[(c + g) % 3];
            ch.m_nVolume = 80;
        }
        set.Add(group);
    }
    const QString path =
        dir + (groups == 2 ? QStringLiteral("/bench.pdg") : QStringLiteral("/bench%1.pdg").arg(groups));
    if (CGroupFile::Write(path, set, FALSE) != CGroupFile::kOk)
        return {};
    return path;
}

double Median(std::vector<double> v) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Largest(const std::vector<double>& v) {
    return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}
