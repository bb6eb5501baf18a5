#include "platform/Message.h"

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
    // postEvent takes ownership of the event and is safe from any thread.
    QCoreApplication::postEvent(target, new MessageEvent(message, wParam, lParam));
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
            target, [target, &event] { QCoreApplication::sendEvent(target, &event); },
            Qt::BlockingQueuedConnection);
    }
    return event.result();
}

} // namespace platform
