#include "app/data/LoudnessMatcher.h"

#include "app/data/LoudnessCache.h"
#include "app/data/LoudnessMeter.h"
#include "app/settings/Option.h"
#include "platform/HandOff.h"
#include "platform/Profile.h"

#include <QMetaObject>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kMinTarget = -60.0;
constexpr double kMaxTarget = 0.0;
} // namespace

CLoudnessMatcher::CLoudnessMatcher(const QString& cachePath, QObject* parent)
    : QObject(parent), m_pShared(std::make_shared<Shared>()) {
    m_pShared->pOwner = this;
    m_worker = std::thread([shared = m_pShared, cachePath] { Work(shared, cachePath); });
}

CLoudnessMatcher::~CLoudnessMatcher() {
    Shared& shared = *m_pShared;
    bool finished = false;
    {
        std::unique_lock lock(shared.mutex);
        shared.pOwner = nullptr;
        shared.queue.clear();
        shared.bQuit = true;
        shared.wake.notify_all();
        finished = shared.finished.wait_for(lock, std::chrono::milliseconds(kStopWaitMs),
                                            [&] { return shared.bFinished; });
    }
    if (finished)
        m_worker.join();
    else
        m_worker.detach();
}

void CLoudnessMatcher::Request(const QString& file) {
    if (file.isEmpty())
        return;
    {
        std::lock_guard lock(m_pShared->mutex);
        if (m_pShared->pending.contains(file))
            return;
        m_pShared->pending.insert(file, true);
        m_pShared->queue.push_back(file);
    }
    m_pShared->wake.notify_one();
}

double CLoudnessMatcher::Known(const QString& file) const {
    return m_known.value(file, kNaN);
}

double CLoudnessMatcher::ReadTarget(const CSettingsFile& settings) {
    const QString text =
        settings.Document()->GetString(QStringLiteral("Loudness"), QStringLiteral("Target"), QString(), 64);
    if (text.trimmed().isEmpty())
        return kDefaultTarget;
    const double value = platform::ParseLeadingDouble(text);
    return std::isfinite(value) ? std::clamp(value, kMinTarget, kMaxTarget) : kDefaultTarget;
}

void CLoudnessMatcher::OnDone(const QString& file, double lufs, bool failed) {
    {
        std::lock_guard lock(m_pShared->mutex);
        m_pShared->pending.remove(file);
    }
    if (failed)
        m_known.remove(file);
    else
        m_known.insert(file, lufs);
    emit Measured(file, lufs, failed);
}

void CLoudnessMatcher::Report(Shared& shared, const QString& file, double lufs, bool failed) {
    // Under the lock the matcher cannot go meanwhile; a queued call to it is dropped if it goes later.
    std::lock_guard lock(shared.mutex);
    if (CLoudnessMatcher* owner = shared.pOwner)
        QMetaObject::invokeMethod(
            owner, platform::CHandedOff([owner, file, lufs, failed] { owner->OnDone(file, lufs, failed); }),
            Qt::QueuedConnection);
}

void CLoudnessMatcher::Work(const std::shared_ptr<Shared>& shared, QString cachePath) {
    CLoudnessCache cache(std::move(cachePath));
    for (;;) {
        QString file;
        {
            std::unique_lock lock(shared->mutex);
            shared->wake.wait(lock, [&] { return shared->bQuit || !shared->queue.empty(); });
            if (shared->bQuit) {
                shared->bFinished = true;
                shared->finished.notify_all();
                return;
            }
            file = shared->queue.front();
            shared->queue.pop_front();
        }
        if (const auto known = cache.Find(file)) {
            Report(*shared, file, *known, false);
            continue;
        }
        double lufs = kNaN;
        QString error;
        if (CLoudnessMeter::Measure(file, lufs, error, &shared->bQuit)) {
            cache.Store(file, lufs);
            Report(*shared, file, lufs, false);
        } else {
            Report(*shared, file, kNaN, true);
        }
    }
}
