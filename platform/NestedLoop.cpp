#include "platform/NestedLoop.h"

#include <QApplication>
#include <QThread>

namespace platform {

namespace {
// The application's own loop is level 1; tests that run no application loop see modal windows only.
constexpr int kApplicationLoopLevel = 1;
} // namespace

bool NestedLoopRunning() {
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    // A modal window is counted from the moment it shows until its loop returns: the loop level
    // covers the moment between its hiding and the return.
    return QApplication::activeModalWidget() != nullptr || QApplication::activePopupWidget() != nullptr ||
           QThread::currentThread()->loopLevel() > kApplicationLoopLevel;
}

CAfterNestedLoops::CAfterNestedLoops(std::function<void()> action, QObject* parent)
    : QObject(parent), m_action(std::move(action)) {
    m_timer.setInterval(kPollMs);
    connect(&m_timer, &QTimer::timeout, this, [this] { Poll(); });
}

bool CAfterNestedLoops::Request() {
    if (m_timer.isActive())
        return false;
    if (NestedLoopRunning()) {
        m_timer.start();
        return false;
    }
    m_action();
    return true;
}

void CAfterNestedLoops::Poll() {
    if (NestedLoopRunning())
        return;
    m_timer.stop();
    m_action();
}

} // namespace platform
