#include "app/data/LoudnessMatcher.h"

#include "app/data/LoudnessCache.h"
#include "app/data/LoudnessMeter.h"
#include "app/settings/Option.h"
#include "platform/Profile.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kMinTarget = -60.0;
constexpr double kMaxTarget = 0.0;
} // namespace

CLoudnessMatcher::CLoudnessMatcher(const QString& cachePath, QObject* parent) : QObject(parent) {
    connect(this, &CLoudnessMatcher::Done, this, &CLoudnessMatcher::OnDone, Qt::QueuedConnection);
    m_worker = std::thread([this, cachePath] { Work(cachePath); });
}

CLoudnessMatcher::~CLoudnessMatcher() {
    {
        std::lock_guard lock(m_mutex);
        m_bQuit = true;
        m_queue.clear();
    }
    m_wake.notify_all();
    m_worker.join();
}

void CLoudnessMatcher::Request(const QString& file) {
    if (file.isEmpty())
        return;
    {
        std::lock_guard lock(m_mutex);
        if (m_pending.contains(file))
            return;
        m_pending.insert(file, true);
        m_queue.push_back(file);
    }
    m_wake.notify_one();
}

double CLoudnessMatcher::Known(const QString& file) const {
    return m_known.value(file, kNaN);
}

double CLoudnessMatcher::ReadTarget(const CSettingsFile& settings) {
    const QString text = platform::GetPrivateProfileString(
        QStringLiteral("Loudness"), QStringLiteral("Target"), QString(), 64, settings.Path());
    if (text.trimmed().isEmpty())
        return kDefaultTarget;
    const double value = platform::ParseLeadingDouble(text);
    return std::isfinite(value) ? std::clamp(value, kMinTarget, kMaxTarget) : kDefaultTarget;
}

void CLoudnessMatcher::OnDone(const QString& file, double lufs, bool failed) {
    {
        std::lock_guard lock(m_mutex);
        m_pending.remove(file);
    }
    if (failed)
        m_known.remove(file);
    else
        m_known.insert(file, lufs);
    emit Measured(file, lufs, failed);
}

void CLoudnessMatcher::Work(QString cachePath) {
    CLoudnessCache cache(std::move(cachePath));
    for (;;) {
        QString file;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_bQuit || !m_queue.empty(); });
            if (m_bQuit)
                return;
            file = m_queue.front();
            m_queue.pop_front();
        }
        if (const auto known = cache.Find(file)) {
            emit Done(file, *known, false);
            continue;
        }
        double lufs = kNaN;
        QString error;
        if (CLoudnessMeter::Measure(file, lufs, error)) {
            cache.Store(file, lufs);
            emit Done(file, lufs, false);
        } else {
            emit Done(file, kNaN, true);
        }
    }
}
