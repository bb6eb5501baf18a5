#pragma once

#include <QHash>
#include <QObject>
#include <QString>

#include <condition_variable>
#include <deque>
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
    // Waits for the measurement in progress (the rest of the queue is dropped).
    ~CLoudnessMatcher() override;

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
    // Worker thread -> UI thread.
    Q_SIGNAL void Done(const QString& file, double lufs, bool failed);
    void OnDone(const QString& file, double lufs, bool failed);
    // Worker thread.
    void Work(QString cachePath);

    double m_dTarget = kDefaultTarget;
    QHash<QString, double> m_known; // UI thread
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<QString> m_queue; // guarded by m_mutex, as are the two below
    QHash<QString, bool> m_pending;
    bool m_bQuit = false;
    std::thread m_worker; // last: started once everything above exists
};
