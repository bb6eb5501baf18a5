#include "platform/Message.h"

#include "platform/HandOff.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QThread>

namespace platform {

MessageEvent::MessageEvent(UINT message, WPARAM wParam, LPARAM lParam)
    : QEvent(eventType()), m_message(message), m_wParam(wParam), m_lParam(lParam) {}

QEvent::Type MessageEvent::eventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

bool PostMessage(QObject* target, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!target)
        return false;
    // The queue takes ownership of the event and is safe from any thread.
    PostEvent(target, new MessageEvent(message, wParam, lParam));
    return true;
}

LRESULT SendMessage(QObject* target, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!target)
        return 0;
    MessageEvent event(message, wParam, lParam);
    if (target->thread() == QThread::currentThread()) {
        QCoreApplication::sendEvent(target, &event);
    } else {
        QMetaObject::invokeMethod(
            target, CHandedOff([target, &event] { QCoreApplication::sendEvent(target, &event); }),
            Qt::BlockingQueuedConnection);
    }
    return event.result();
}

void SendCancel::Cancel() {
    {
        std::lock_guard lock(m_mutex);
        m_bCancelled = true;
    }
    m_cv.notify_all();
}

bool SendCancel::IsCancelled() const {
    std::lock_guard lock(m_mutex);
    return m_bCancelled;
}

bool SendMessageCancellable(QObject* target, UINT message, WPARAM wParam, LPARAM lParam,
                            const std::shared_ptr<SendCancel>& cancel, LRESULT* result) {
    Q_ASSERT(cancel);
    if (!target || cancel->IsCancelled())
        return false;
    if (target->thread() == QThread::currentThread()) {
        MessageEvent event(message, wParam, lParam);
        QCoreApplication::sendEvent(target, &event);
        if (result)
            *result = event.result();
        return true;
    }
    // The reply lives on its own so that a handler still running after the sender gave up writes into
    // memory that exists.
    struct Reply {
        bool done = false;
        LRESULT result = 0;
    };
    auto reply = std::make_shared<Reply>();
    CHandedOff deliver([target, message, wParam, lParam, cancel, reply] {
        if (cancel->IsCancelled())
            return;
        MessageEvent event(message, wParam, lParam);
        QCoreApplication::sendEvent(target, &event);
        {
            std::lock_guard lock(cancel->m_mutex);
            reply->done = true;
            reply->result = event.result();
        }
        cancel->m_cv.notify_all();
    });
    QMetaObject::invokeMethod(target, std::move(deliver), Qt::QueuedConnection);
    std::unique_lock lock(cancel->m_mutex);
    cancel->m_cv.wait(lock, [&] { return reply->done || cancel->m_bCancelled; });
    if (!reply->done)
        return false;
    if (result)
        *result = reply->result;
    return true;
}

} // namespace platform
