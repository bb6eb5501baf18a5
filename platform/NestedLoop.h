#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

namespace platform {

// Whether the UI thread is inside a loop beyond the application's own: the loop of a modal window (a
// dialog, a message box, a file dialog, the loader) or an open menu. A window that such a loop runs in,
// or under, must outlive it. UI thread.
bool NestedLoopRunning();

// An action that must not run inside a nested loop (closing the main window): it runs at once when no
// nested loop runs, else as soon as the last one has ended. Asking again while it waits changes
// nothing: a close asked for twice is one close. Stops waiting when destroyed. UI thread.
class CAfterNestedLoops : public QObject {
public:
    explicit CAfterNestedLoops(std::function<void()> action, QObject* parent = nullptr);

    // True when the action ran at once, false when it waits (or already waited).
    bool Request();
    bool IsPending() const { return m_timer.isActive(); }
    // A waiting action is dropped.
    void Cancel() { m_timer.stop(); }

    // How often a waiting action looks whether the loops have ended.
    static constexpr int kPollMs = 20;

private:
    void Poll();

    std::function<void()> m_action;
    QTimer m_timer;
};

} // namespace platform
