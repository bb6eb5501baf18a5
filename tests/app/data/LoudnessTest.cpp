#include "app/data/GroupFile.h"
#include "app/data/LoudnessCache.h"
#include "app/data/LoudnessMatcher.h"
#include "app/data/LoudnessMeter.h"
#include "app/settings/Option.h"
#include "tests/app/TestSounds.h"
#include "tests/platform/TestFifo.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

namespace {

using app_test::SineWav;
using app_test::WriteTestFile;

constexpr double kToleranceLu = 0.5;

bool WaitFor(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

TEST(LoudnessMeter, TonesMeasureAtTheirKnownLevel) {
    QTemporaryDir dir;
    // A 1 kHz sine with its peak at L dBFS on both channels has a programme loudness of L LUFS;
    // a mono file plays on both sides, so it counts the same.
    struct Tone {
        double peak;
        int channels;
        int rate;
    };
    for (const Tone& t :
         {Tone{-10.0, 2, 48000}, Tone{-23.0, 2, 44100}, Tone{-30.0, 1, 48000}, Tone{-18.0, 1, 22050}}) {
        const QString path =
            WriteTestFile(dir.filePath(QStringLiteral("tone%1_%2.wav").arg(-t.peak).arg(t.channels)),
                          SineWav(4.0, t.peak, t.channels, t.rate));
        double lufs = 0.0;
        QString error;
        ASSERT_TRUE(CLoudnessMeter::Measure(path, lufs, error)) << error.toStdString();
        EXPECT_NEAR(lufs, t.peak, kToleranceLu) << path.toStdString();
    }

    double lufs = 0.0;
    QString error;
    const QString silence = WriteTestFile(dir.filePath("silence.wav"), SineWav(2.0, -200.0));
    ASSERT_TRUE(CLoudnessMeter::Measure(silence, lufs, error));
    EXPECT_EQ(lufs, CLoudnessMeter::kSilent);
    EXPECT_FALSE(CLoudnessMeter::Measure(WriteTestFile(dir.filePath("bad.wav"), "RIFF"), lufs, error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(CLoudnessMeter::Measure(dir.filePath("gone.wav"), lufs, error));
}

TEST(LoudnessMeter, GainOnlyEverAttenuatesAndAddsToTheFaderFigure) {
    EXPECT_DOUBLE_EQ(CLoudnessMeter::GainDb(-13.0, -23.0), -10.0);
    EXPECT_DOUBLE_EQ(CLoudnessMeter::GainDb(-30.0, -23.0), 0.0); // quieter: left as it is
    EXPECT_DOUBLE_EQ(CLoudnessMeter::GainDb(std::nan(""), -23.0), 0.0);
    EXPECT_DOUBLE_EQ(CLoudnessMeter::GainDb(CLoudnessMeter::kSilent, -23.0), 0.0);

    // Without a gain the fader's own figures: volume 70 -> -309, 100 at master 50 -> -602.
    EXPECT_EQ(CLoudnessMeter::Attenuation(70, 100, 0.0), -309);
    EXPECT_EQ(CLoudnessMeter::Attenuation(100, 50, 0.0), -602);
    EXPECT_EQ(CLoudnessMeter::Attenuation(100, 100, -10.0), -1000);
    EXPECT_EQ(CLoudnessMeter::Attenuation(70, 100, -6.5), -959);
    EXPECT_EQ(CLoudnessMeter::Attenuation(1, 1, -30.0), -10000);
    EXPECT_EQ(CLoudnessMeter::Attenuation(0, 100, 0.0), -10000);
    EXPECT_EQ(CLoudnessMeter::Attenuation(100, 0, 0.0), -10000);
}

TEST(LoudnessCache, KeepsAMeasurementOnlyWhileTheFileIsUnchanged) {
    QTemporaryDir dir;
    const QString cachePath = dir.filePath("cache/padora/loudness.tsv");
    const QString sound = WriteTestFile(dir.filePath("a\tb.wav"), SineWav(1.0));
    {
        CLoudnessCache cache(cachePath);
        EXPECT_FALSE(cache.Find(sound));
        EXPECT_TRUE(cache.Store(sound, -14.25));
        EXPECT_FALSE(cache.Store(dir.filePath("gone.wav"), -10.0));
    }
    CLoudnessCache reread(cachePath);
    ASSERT_TRUE(reread.Find(sound));
    EXPECT_DOUBLE_EQ(*reread.Find(sound), -14.25);

    // Another file under the same name, with another size: measured again.
    WriteTestFile(sound, SineWav(1.5));
    EXPECT_FALSE(CLoudnessCache(cachePath).Find(sound));

    // A damaged cache file is an empty cache.
    WriteTestFile(cachePath, "garbage\nmore\tgarbage\n");
    EXPECT_FALSE(CLoudnessCache(cachePath).Find(sound));

    qputenv("XDG_CACHE_HOME", "/tmp/xdg-cache");
    EXPECT_EQ(CLoudnessCache::DefaultPath(), "/tmp/xdg-cache/padora/loudness.tsv");
    qunsetenv("XDG_CACHE_HOME");
    EXPECT_TRUE(CLoudnessCache::DefaultPath().endsWith("/.cache/padora/loudness.tsv"));
}

TEST(LoudnessCache, ACacheFileThatIsAFifoIsNeitherWaitedOnNorReplaced) {
    QTemporaryDir dir;
    platform_test::CTestFifo fifo(dir.filePath("loudness.tsv"));
    ASSERT_TRUE(fifo.Made());
    const QString sound = WriteTestFile(dir.filePath("a.wav"), SineWav(0.5));
    CLoudnessCache cache(fifo.Path());
    EXPECT_FALSE(cache.Find(sound));
    // Kept for this run only.
    EXPECT_TRUE(cache.Store(sound, -20.0));
    EXPECT_TRUE(cache.Find(sound));
    EXPECT_FALSE(fifo.ReaderWasStuck()) << "the cache was opened as if it were a file";
    EXPECT_FALSE(QFileInfo(fifo.Path()).isFile()) << "the FIFO was replaced";
}

TEST(LoudnessMatcher, MeasuresOffTheUiThreadOnceAndAnswersOnIt) {
    QTemporaryDir dir;
    const QString cachePath = dir.filePath("loudness.tsv");
    const QString loud = WriteTestFile(dir.filePath("loud.wav"), SineWav(3.0, -12.0));
    const QString bad = WriteTestFile(dir.filePath("bad.mp3"), QByteArray(2000, 'x'));
    struct Answer {
        QString file;
        double lufs;
        bool failed;
        bool onUiThread;
    };
    std::vector<Answer> answers;
    {
        CLoudnessMatcher matcher(cachePath);
        QObject::connect(&matcher, &CLoudnessMatcher::Measured, [&](const QString& f, double l, bool failed) {
            answers.push_back({f, l, failed, QThread::currentThread() == qApp->thread()});
        });
        EXPECT_TRUE(std::isnan(matcher.Known(loud)));
        matcher.Request(loud);
        matcher.Request(loud); // not measured twice while the first is under way
        matcher.Request(bad);
        ASSERT_TRUE(WaitFor([&] { return answers.size() >= 2; }));
        QCoreApplication::processEvents();
        ASSERT_EQ(answers.size(), 2u);
        EXPECT_EQ(answers[0].file, loud);
        EXPECT_NEAR(answers[0].lufs, -12.0, kToleranceLu);
        EXPECT_FALSE(answers[0].failed);
        EXPECT_TRUE(answers[0].onUiThread);
        EXPECT_EQ(answers[1].file, bad);
        EXPECT_TRUE(answers[1].failed);
        EXPECT_NEAR(matcher.Known(loud), -12.0, kToleranceLu);
        EXPECT_TRUE(std::isnan(matcher.Known(bad)));
    }
    ASSERT_TRUE(QFile::exists(cachePath));
    // A new run finds it in the cache: the figure comes back without decoding. To tell, the file is
    // swapped for one of the same size at another level and given back its old time.
    const QDateTime mtime = QFileInfo(loud).lastModified();
    WriteTestFile(loud, SineWav(3.0, -30.0));
    {
        QFile f(loud);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(mtime, QFileDevice::FileModificationTime));
    }
    answers.clear();
    CLoudnessMatcher again(cachePath);
    QObject::connect(&again, &CLoudnessMatcher::Measured, [&](const QString& f, double l, bool failed) {
        answers.push_back({f, l, failed, true});
    });
    again.Request(loud);
    ASSERT_TRUE(WaitFor([&] { return !answers.empty(); }));
    EXPECT_NEAR(answers[0].lufs, -12.0, kToleranceLu);

    // The matcher goes away with work queued: nothing is left running.
    auto busy = std::make_unique<CLoudnessMatcher>(dir.filePath("other.tsv"));
    for (int i = 0; i < 5; ++i)
        busy->Request(WriteTestFile(dir.filePath(QStringLiteral("q%1.wav").arg(i)), SineWav(2.0)));
    busy.reset();
}

TEST(LoudnessMatcher, AFifoOrAStoppedMeasurementNeverHoldsTheWorker) {
    QTemporaryDir dir;
    // Asked to stop, a measurement ends at its next chunk.
    const QString sound = WriteTestFile(dir.filePath("long.wav"), SineWav(4.0));
    const std::atomic<bool> stop{true};
    double lufs = 0.0;
    QString error;
    EXPECT_FALSE(CLoudnessMeter::Measure(sound, lufs, error, &stop));
    EXPECT_EQ(error, QString::fromUtf8(CLoudnessMeter::kAbandonedText));

    // A FIFO in a sound's place is refused, not waited on; the matcher still ends at once.
    platform_test::CTestFifo fifo(dir.filePath("pipe.wav"));
    ASSERT_TRUE(fifo.Made());
    std::vector<bool> failed;
    QElapsedTimer gone;
    {
        CLoudnessMatcher matcher(dir.filePath("loudness.tsv"));
        QObject::connect(&matcher, &CLoudnessMatcher::Measured,
                         [&](const QString&, double, bool f) { failed.push_back(f); });
        matcher.Request(fifo.Path());
        ASSERT_TRUE(WaitFor([&] { return !failed.empty(); }, 1000)) << "the worker waits on the FIFO";
        EXPECT_TRUE(failed[0]);
        for (int i = 0; i < 3; ++i)
            matcher.Request(fifo.Path() + QString::number(i)); // queued, then dropped
        matcher.Request(sound);
        gone.start();
    }
    EXPECT_LT(gone.elapsed(), CLoudnessMatcher::kStopWaitMs);
    EXPECT_FALSE(fifo.ReaderWasStuck());
}

TEST(LoudnessMatcher, TargetComesFromTheSettingsFile) {
    QTemporaryDir dir;
    const CSettingsFile settings(dir.filePath("Padora.INI"));
    EXPECT_DOUBLE_EQ(CLoudnessMatcher::ReadTarget(settings), -23.0);
    WriteTestFile(settings.Path(), "[Loudness]\nTarget=-16.5\n");
    EXPECT_DOUBLE_EQ(CLoudnessMatcher::ReadTarget(settings), -16.5);
    WriteTestFile(settings.Path(), "[Loudness]\nTarget=12\n");
    EXPECT_DOUBLE_EQ(CLoudnessMatcher::ReadTarget(settings), 0.0);
}

TEST(LoudnessGroupFile, TheSwitchRoundTripsAndOldSetsReadWithoutIt) {
    QTemporaryDir dir;
    const QString path = dir.filePath("set.pdg");
    CGroupArray set;
    CGroupData group;
    group.m_strName = QStringLiteral("G");
    for (int c = 0; c < 2; ++c) {
        CChannelData& ch = group.m_aChannel[static_cast<size_t>(c)];
        ch.m_strTitle = QStringLiteral("T%1").arg(c);
        ch.m_strFile = dir.filePath(QStringLiteral("s%1.wav").arg(c));
        ch.m_nVolume = 70;
        ch.m_bLoudness = c == 1;
    }
    set.Add(group);
    ASSERT_EQ(CGroupFile::Write(path, set, FALSE), CGroupFile::kOk);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_FALSE(text.contains("SndLoudness01-01"));
    EXPECT_TRUE(text.contains("SndLoudness01-02=1"));

    CGroupArray back;
    ASSERT_EQ(CGroupFile::Read(path, back), CGroupFile::kOk);
    EXPECT_FALSE(back[0].m_aChannel[0].m_bLoudness);
    EXPECT_TRUE(back[0].m_aChannel[1].m_bLoudness);
    EXPECT_TRUE(std::isnan(back[0].m_aChannel[1].m_dLoudness));
    // Copies carry the switch and the measurement.
    back[0].m_aChannel[1].m_dLoudness = -17.0;
    const CChannelData copy(back[0].m_aChannel[1]);
    EXPECT_TRUE(copy.m_bLoudness);
    EXPECT_DOUBLE_EQ(copy.m_dLoudness, -17.0);
}

} // namespace
