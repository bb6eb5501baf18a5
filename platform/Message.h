#pragma once

#include "platform/WinTypes.h"

#include <QEvent>

#include <condition_variable>
#include <memory>
#include <mutex>

class QObject;

namespace platform {

inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_KEYDOWN = 0x0100;
inline constexpr UINT WM_KEYUP = 0x0101;
// A menu item, button or edit field tells its window about a command; wParam = the command id.
inline constexpr UINT WM_COMMAND = 0x0111;
inline constexpr UINT WM_APP = 0x8000;

// A numbered message (message, wParam, lParam) delivered to a QObject's event() on the object's thread.
// Receivers compare event->type() with MessageEvent::eventType() and dispatch on message().
class MessageEvent : public QEvent {
public:
    MessageEvent(UINT message, WPARAM wParam, LPARAM lParam);

    static QEvent::Type eventType();

    UINT message() const { return m_message; }
    WPARAM wParam() const { return m_wParam; }
    LPARAM lParam() const { return m_lParam; }

    // What the receiver answers to a SendMessage.
    void setResult(LRESULT result) { m_result = result; }
    LRESULT result() const { return m_result; }

private:
    UINT m_message;
    WPARAM m_wParam;
    LPARAM m_lParam;
    LRESULT m_result = 0;
};

// Queues the message for the target's thread and returns at once. Any thread.
// False when there is no target.
bool PostMessage(QObject* target, UINT message, WPARAM wParam, LPARAM lParam);

// Delivers the message on the target's thread and waits until it has been handled; returns the
// receiver's result. Any thread; the target's thread must not be waiting for the caller.
LRESULT SendMessage(QObject* target, UINT message, WPARAM wParam, LPARAM lParam);

// Releases a thread that waits in SendMessageCancellable: once cancelled, a waiting send returns at
// once and a message not yet delivered is dropped. Shared by the sending thread and the canceller.
class SendCancel {
public:
    // Any thread.
    void Cancel();
    bool IsCancelled() const;

private:
    friend bool SendMessageCancellable(QObject*, UINT, WPARAM, LPARAM, const std::shared_ptr<SendCancel>&,
                                       LRESULT*);
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_bCancelled = false;
};

// SendMessage for a thread that the target's thread may have to wait for: true with the receiver's
// result once the message has been handled; false, without waiting any longer, as soon as cancel is
// cancelled (the message is then not delivered, or its result is dropped if it is being handled).
// Any thread; on the target's own thread the message is handled directly.
bool SendMessageCancellable(QObject* target, UINT message, WPARAM wParam, LPARAM lParam,
                            const std::shared_ptr<SendCancel>& cancel, LRESULT* result = nullptr);

} // namespace platform
