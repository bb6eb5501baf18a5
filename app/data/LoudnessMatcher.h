#pragma once

#include <QHash>
#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

class CSettingsFile;

// Loudness matching of channels: measures sound files on a thread of its own, one at a time, each
// file once (the measurements are cached between runs, see CLoudnessCache), and tells the UI thread
// by the signal Measured. Made, used and destroyed on the UI thread.
class CLoudnessMatcher : public QObject {
    Q_OBJECT
public:
    static constexpr double kDefaultTarget = -23.0; // LUFS

    // cachePath: the cache file (CLoudnessCache::DefaultPath for the program).
    explicit CLoudnessMatcher(const QString& cachePath, QObject* parent = nullptr);
    // Drops the queue and stops the measurement in progress; waits for the worker at most
    // kStopWaitMs. A worker held longer (a decoder stuck in a call) is left to end on its own: it
    // owns what it still uses and no longer reports.
    ~CLoudnessMatcher() override;

    static constexpr int kStopWaitMs = 2000;

    // UI thread. Asks for the loudness of file; Measured follows (at once from the worker when the
    // cache knows the file as it is). A file already asked for and not yet answered is not queued twice.
    void Request(const QString& file);
    // UI thread. The last loudness Measured reported for file; NaN when none.
    double Known(const QString& file) const;

    // The programme loudness every matched channel is brought to.
    double Target() const { return m_dTarget; }
    void SetTarget(double lufs) { m_dTarget = lufs; }

    // "Loudness"/"Target" of Padora.INI, -23 LUFS when not set (limited to -60..0).
    static double ReadTarget(const CSettingsFile& settings);

signals:
    // UI thread. lufs is CLoudnessMeter::kSilent for silence; failed is set (and lufs NaN) when the
    // file could not be measured.
    void Measured(const QString& file, double lufs, bool failed);

private:
    // What the worker shares with the matcher; the worker holds it too, so that it may outlast the
    // matcher.
    struct Shared {
        std::mutex mutex;
        std::condition_variable wake;     // work queued, or quit
        std::condition_variable finished; // the worker has returned
        std::deque<QString> queue;        // guarded by mutex, as are the three below
        QHash<QString, bool> pending;
        CLoudnessMatcher* pOwner = nullptr; // null once the matcher is going
        bool bFinished = false;
        std::atomic<bool> bQuit{false};
    };
    // UI thread.
    void OnDone(const QString& file, double lufs, bool failed);
    // Worker thread.
    static void Work(const std::shared_ptr<Shared>& shared, QString cachePath);
    static void Report(Shared& shared, const QString& file, double lufs, bool failed);

    double m_dTarget = kDefaultTarget;
    QHash<QString, double> m_known; // UI thread
    std::shared_ptr<Shared> m_pShared;
    std::thread m_worker; // last: started once everything above exists
};
