// A long run of the real main window on the real-time null clock, driven as an operator drives it:
// three groups of ten looping sounds (mp3, ogg, wav, MIDI), speed, pan and fader moves every few hundred
// milliseconds, fades in and out, a group switch every few seconds. It watches what a show must not see
// over hours: playing voices missing their data, blocks of the clock finished late, the resident size
// growing, file descriptors or threads piling up. Run it under an X server (xvfb-run).
//
// padora-bench-soak [SECONDS [WARMUP_SECONDS]]; exits 1 when a limit was broken.
#include "InputCache.h"
#include "ProcessStats.h"

#include "app/main/MainDlg.h"
#include "app/res/Resource.h"
#include "padkit/controls/GdiColorButton.h"
#include "padkit/util/MessageBox.h"
#include "platform/Allocator.h"
#include "platform/DialogTemplate.h"
#include "platform/Message.h"
#include "playkit/AdxEngine.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QSlider>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <pthread.h>
#include <random>
#include <sched.h>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kGroups = 3;
constexpr int kMoveMs = 250;         // a speed, a pan and a fader move
constexpr int kFadeEveryMoves = 6;   // a fade in or out every 1.5 s
constexpr int kSwitchEveryMs = 6000; // a group switch
constexpr int kSampleMs = 1000;      // resident size, descriptors, threads
constexpr int kPrintEverySamples = 10;
constexpr long kRssLimitKb = 2048;

// The sounds: short, so that repeat turns often (each turn stops, cues to 0 and plays again), of every
// kind the program plays, at two sample rates.
std::vector<std::string> MakeSounds(CInputCache& cache) {
    std::vector<std::string> files = {
        cache.Music("mp3", 3.5), cache.Music("ogg", 4.5), cache.Sine(440, 48000, 1.7, 0.3),
        cache.Midi(4.0),         cache.Music("wav", 2.5), cache.Music("mp3", 6.0),
        cache.Music("ogg", 2.0), cache.Midi(3.0),         cache.Sine(660, 48000, 5.2, 0.25),
        cache.Music("mp3", 1.3),
    };
    if (std::any_of(files.begin(), files.end(), [](const std::string& f) { return f.empty(); }))
        files.clear();
    return files;
}

QString WriteSet(const std::vector<std::string>& files, const QString& path) {
    CGroupArray set;
    for (int g = 0; g < kGroups; ++g) {
        CGroupData group;
        group.m_strName = QStringLiteral("Soak%1").arg(g + 1);
        for (int c = 0; c < CGroupData::kChannelCount; ++c) {
            CChannelData& ch = group.m_aChannel[c];
            ch.m_strTitle = QStringLiteral("Loop %1-%2").arg(g + 1).arg(c + 1);
            ch.m_strFile = QString::fromStdString(files[static_cast<std::size_t>(c + 3 * g) % files.size()]);
            ch.m_nVolume = 70;
            ch.m_bRepeat = TRUE;
            ch.m_dTimeFadeIn = 1.0 + 0.2 * c;
            ch.m_dTimeFadeOut = 0.8 + 0.1 * c;
        }
        set.Add(group);
    }
    return CGroupFile::Write(path, set, FALSE) == CGroupFile::kOk ? path : QString();
}

// A left click on a control, as the mouse gives it.
void Click(QWidget* w) {
    const QPointF at = QRectF(w->rect()).center();
    const QPointF global = w->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &release);
}

bool Checked(CGdiColorButton* sw) {
    return sw->GetCheck() == padkit::BST_CHECKED;
}

struct SSample {
    double t = 0;
    long rssKb = 0;
    SResidentParts parts;
    SHeapKb heap;
    int fds = 0;
    int threads = 0;
};

// Threads at the device thread's priority, one on each CPU, that only sleep 1 ms at a time: when one wakes
// late, its CPU was taken from the whole machine (another program, the host), not from the engine.
class CStallWatch {
public:
    CStallWatch() {
        const unsigned cpus = std::max(1u, std::thread::hardware_concurrency());
        for (unsigned cpu = 0; cpu < cpus; ++cpu)
            m_threads.emplace_back([this, cpu] { Run(cpu); });
    }
    ~CStallWatch() {
        m_quit = true;
        for (std::thread& t : m_threads)
            t.join();
    }
    std::uint64_t Stalls() const { return m_stalls.load(); }
    double MaxStallMs() const { return static_cast<double>(m_maxNs.load()) / 1e6; }

private:
    void Run(unsigned cpu) {
        cpu_set_t set;
        CPU_ZERO(&set);
        CPU_SET(cpu, &set);
        pthread_setaffinity_np(pthread_self(), sizeof set, &set);
        sched_param param{};
        param.sched_priority = sched_get_priority_min(SCHED_FIFO) + 10;
        pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
        using Clock = std::chrono::steady_clock;
        constexpr auto kStep = std::chrono::milliseconds(1);
        // Longer than one period of the clock backend (256 frames at 48 kHz).
        constexpr auto kStall = std::chrono::microseconds(5333);
        while (!m_quit) {
            const auto before = Clock::now();
            std::this_thread::sleep_for(kStep);
            const auto late = Clock::now() - before - kStep;
            if (late > kStall)
                ++m_stalls;
            const auto ns = static_cast<std::uint64_t>(std::chrono::nanoseconds(late).count());
            for (std::uint64_t max = m_maxNs; ns > max && !m_maxNs.compare_exchange_weak(max, ns);) {
            }
        }
    }

    std::atomic<bool> m_quit{false};
    std::atomic<std::uint64_t> m_stalls{0};
    std::atomic<std::uint64_t> m_maxNs{0};
    std::vector<std::thread> m_threads;
};

class CSoak {
public:
    CSoak(CMainDlg& dlg, const CStallWatch& watch, int seconds, int warmup)
        : m_dlg(dlg), m_watch(watch), m_seconds(seconds), m_warmup(warmup) {}

    int Run() {
        playkit::CAdxEngine::ResetCounters();
        m_clock.start();
        StartGroup();
        QTimer move, change, sample;
        QObject::connect(&move, &QTimer::timeout, [this] { Move(); });
        QObject::connect(&change, &QTimer::timeout, [this] { SwitchGroup(); });
        QObject::connect(&sample, &QTimer::timeout, [this] { Sample(); });
        move.start(kMoveMs);
        change.start(kSwitchEveryMs);
        sample.start(kSampleMs);
        return QApplication::exec();
    }

    bool Report(int failures, const CStallWatch& watch) const {
        const auto c = playkit::CAdxEngine::Counters();
        // Judged on the samples taken just before each switch: the same state every time (a group loaded
        // and looping for a few seconds), clear of the allocations a switch makes and frees.
        long drift = 0;
        for (const SSample& s : m_marks)
            if (s.t >= m_warm.t)
                drift = std::max(drift, std::labs(s.rssKb - m_warm.rssKb));
        const SSample& end = m_marks.empty() ? m_warm : m_marks.back();
        long lowest = m_warm.rssKb, highest = m_warm.rssKb;
        for (const SSample& s : m_samples)
            if (s.t >= m_warm.t) {
                lowest = std::min(lowest, s.rssKb);
                highest = std::max(highest, s.rssKb);
            }
        // A miss in a second in which the whole machine stalled is the machine's; it is printed, not judged.
        const bool met = m_ownUnderruns == 0 && m_ownLate == 0 && drift <= kRssLimitKb &&
                         end.fds <= m_warm.fds && end.threads <= m_warm.threads && failures == 0 &&
                         m_warm.rssKb > 0;
        std::printf(
            "soak seconds=%.0f warmup_s=%d switches=%d plays=%d fades=%d moves=%d blocks=%llu "
            "underruns=%llu late_blocks=%llu max_block_cpu_ms=%.3f machine_stalls=%llu "
            "max_stall_ms=%.1f underruns_without_stall=%llu late_blocks_without_stall=%llu rss_warm_kb=%ld "
            "rss_end_kb=%ld rss_max_drift_kb=%ld rss_min_kb=%ld "
            "rss_max_kb=%ld fds_warm=%d fds_end=%d threads_warm=%d threads_end=%d failures=%d met=%s\n",
            m_clock.elapsed() / 1000.0, m_warmup, m_switches, m_plays, m_fades, m_moves,
            static_cast<unsigned long long>(c.callbacks), static_cast<unsigned long long>(c.underruns),
            static_cast<unsigned long long>(c.deviceXruns), c.maxCallbackSeconds * 1e3,
            static_cast<unsigned long long>(watch.Stalls()), watch.MaxStallMs(),
            static_cast<unsigned long long>(m_ownUnderruns), static_cast<unsigned long long>(m_ownLate),
            m_warm.rssKb, end.rssKb, drift, lowest, highest, m_warm.fds, end.fds, m_warm.threads, end.threads,
            failures, met ? "yes" : "no");
        std::fflush(stdout);
        return met;
    }

private:
    template <class T> T* Item(int id) { return platform::GetDlgItemAs<T>(&m_dlg, id); }
    int Pick(int from, int to) { return std::uniform_int_distribution<int>(from, to)(m_random); }

    // Ten pads, some channels fading in: the group's sounds all loop from here on.
    void StartGroup() {
        for (int i = 0; i < CMainDlg::kChannelCount; ++i) {
            auto* fadeIn = Item<CGdiColorButton>(IDC_FADEIN1 + i);
            const bool wantFadeIn = Pick(0, 3) == 0;
            if (Checked(fadeIn) != wantFadeIn)
                Click(fadeIn);
            Click(Item<QWidget>(IDC_PAD1 + i));
            ++m_plays;
        }
    }

    void SwitchGroup() {
        if (m_dlg.IsInHandler())
            return; // the loader of the last switch still runs: the operator waits too
        const SSample mark = Take();
        if (mark.t >= m_warmup) {
            m_marks.push_back(mark);
            if (m_warm.rssKb == 0)
                m_warm = mark;
        }
        auto* tabs = Item<QTabBar>(IDC_TAB_GROUP);
        tabs->setCurrentIndex((tabs->currentIndex() + 1) % tabs->count()); // what a click on the tab does
        ++m_switches;
        m_switchedAt = m_clock.elapsed() / 1000.0;
        StartGroup();
    }

    void Move() {
        if (m_dlg.IsInHandler())
            return;
        const int n = CMainDlg::kChannelCount;
        // Knobs tell their window by a message carrying their position, as a drag does.
        auto* speed = Item<QWidget>(IDC_SPEED1 + Pick(0, n - 1));
        const int pos = Pick(0, 9) == 0 ? Pick(21, 40) : Pick(5, 20); // now and then up to 4x
        platform::PostMessage(speed->parentWidget(), WM_KNOB_CHANGED, static_cast<WPARAM>(pos),
                              reinterpret_cast<LPARAM>(speed));
        auto* pan = Item<QWidget>(IDC_PAN1 + Pick(0, n - 1));
        platform::PostMessage(pan->parentWidget(), WM_KNOB_CHANGED, static_cast<WPARAM>(Pick(-50, 50)),
                              reinterpret_cast<LPARAM>(pan));
        auto* fader = Item<QSlider>(IDC_FADER1 + Pick(0, n - 1));
        fader->setSliderPosition(100 - Pick(40, 100));
        fader->triggerAction(QAbstractSlider::SliderMove);
        ++m_moves;
        if (++m_tick % kFadeEveryMoves == 0)
            Fade(Pick(0, n - 1));
        // Repeat off and on again between two turns: the loop goes on.
        if (m_tick % 16 == 0) {
            auto* repeat = Item<CGdiColorButton>(IDC_REPEAT1 + Pick(0, n - 1));
            Click(repeat);
            Click(repeat);
        }
    }

    // A playing channel fades out (FO on, the stop key held over its pad); a stopped one starts again,
    // fading in or not.
    void Fade(int i) {
        auto* pad = Item<QWidget>(IDC_PAD1 + i);
        if (m_dlg.Player(i).IsPlay()) {
            auto* fadeOut = Item<CGdiColorButton>(IDC_FADEOUT1 + i);
            if (!Checked(fadeOut))
                Click(fadeOut);
            const UINT stopKey = static_cast<UINT>(m_dlg.Option().nStopKey);
            platform::SendMessage(&m_dlg, platform::WM_KEYDOWN, stopKey, 0);
            Click(pad);
            platform::SendMessage(&m_dlg, platform::WM_KEYUP, stopKey, 0);
        } else {
            auto* fadeIn = Item<CGdiColorButton>(IDC_FADEIN1 + i);
            if (!Checked(fadeIn))
                Click(fadeIn);
            Click(pad);
            ++m_plays;
        }
        ++m_fades;
    }

    SSample Take() const {
        SSample s;
        s.t = m_clock.elapsed() / 1000.0;
        s.rssKb = ResidentKb();
        s.parts = ResidentParts();
        s.heap = HeapKb();
        s.fds = OpenFdCount();
        s.threads = ThreadCount();
        return s;
    }

    void Sample() {
        if (m_dlg.IsInHandler())
            return; // half a group loaded
        const SSample s = Take();
        m_samples.push_back(s);

        // Every ten seconds, and at once when a voice missed its data or a block came late. A miss in a
        // second in which no CPU of the machine stalled is the engine's own.
        const auto c = playkit::CAdxEngine::Counters();
        const std::uint64_t stalls = m_watch.Stalls();
        const std::uint64_t newUnderruns = c.underruns - m_lastUnderruns,
                            newLate = c.deviceXruns - m_lastLate;
        if (stalls == m_lastStalls) {
            m_ownUnderruns += newUnderruns;
            m_ownLate += newLate;
        }
        m_lastUnderruns = c.underruns;
        m_lastLate = c.deviceXruns;
        m_lastStalls = stalls;
        if (newUnderruns || newLate || m_samples.size() % kPrintEverySamples == 0 || s.t >= m_seconds) {
            std::printf("t=%.0f rss_kb=%ld anon_kb=%ld file_kb=%ld shmem_kb=%ld heap_in_use_kb=%ld "
                        "heap_held_kb=%ld fds=%d threads=%d underruns=%llu late_blocks=%llu "
                        "machine_stalls=%llu switches=%d plays=%d fades=%d since_switch_s=%.1f\n",
                        s.t, s.rssKb, s.parts.anonKb, s.parts.fileKb, s.parts.shmemKb, s.heap.inUseKb,
                        s.heap.heldKb, s.fds, s.threads, static_cast<unsigned long long>(c.underruns),
                        static_cast<unsigned long long>(c.deviceXruns),
                        static_cast<unsigned long long>(stalls), m_switches, m_plays, m_fades,
                        s.t - m_switchedAt);
            std::fflush(stdout);
        }
        if (s.t >= m_seconds)
            QCoreApplication::exit(0); // quit() would ask the window to close
    }

    CMainDlg& m_dlg;
    const CStallWatch& m_watch;
    const int m_seconds;
    const int m_warmup;
    std::mt19937 m_random{20261209};
    QElapsedTimer m_clock;
    std::vector<SSample> m_samples; // every second
    std::vector<SSample> m_marks;   // before each switch, after the warm-up
    SSample m_warm;
    std::uint64_t m_lastUnderruns = 0, m_lastLate = 0, m_lastStalls = 0;
    std::uint64_t m_ownUnderruns = 0, m_ownLate = 0; // in seconds without a stall of the machine
    double m_switchedAt = 0;
    int m_switches = 0, m_plays = 0, m_fades = 0, m_moves = 0, m_tick = 0;
};

} // namespace

int main(int argc, char** argv) {
    platform::SetUpAllocator(); // as the program does
    setenv("PADORA_AUDIO", "null", 0);
    setenv("PADORA_OSC_PORT", "0", 0); // the remote control is not measured; parallel runs never compete
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 3600;
    const int warmup = argc > 2 ? std::clamp(std::atoi(argv[2]), 0, seconds) : std::min(300, seconds / 4);

    CInputCache cache;
    const std::vector<std::string> files = cache.Ok() ? MakeSounds(cache) : std::vector<std::string>();
    QTemporaryDir dir;
    const QString set = files.empty() ? QString() : WriteSet(files, dir.filePath(QStringLiteral("soak.pdg")));
    if (set.isEmpty()) {
        std::fprintf(stderr, "could not make the sounds\n");
        return 2;
    }
    CMessageBoxResponder quiet; // a failure is counted, not shown
    bool met = false;
    {
        CMainDlg dlg(nullptr, nullptr, CSettingsFile(dir.filePath(QStringLiteral("Padora.INI"))));
        dlg.Create({set});
        dlg.show();
        std::printf("platform=%s audio=%s seconds=%d warmup_s=%d\n",
                    qPrintable(QGuiApplication::platformName()), std::getenv("PADORA_AUDIO"), seconds,
                    warmup);
        CStallWatch watch;
        CSoak soak(dlg, watch, seconds, warmup);
        soak.Run();
        met = soak.Report(quiet.Count(), watch);
    }
    return met ? 0 : 1;
}
