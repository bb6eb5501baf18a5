#include "platform/HandOff.h"

#include <QCoreApplication>
#include <QEvent>

#include <new>
#include <system_error>

namespace platform {

void PostEvent(QObject* target, QEvent* event) {
    HandOffRelease(event);
    QCoreApplication::postEvent(target, event);
}

bool CApplication::notify(QObject* receiver, QEvent* event) {
    HandOffAcquire(event);
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::bad_alloc&) {
        if (!m_failure)
            m_failure = std::current_exception();
    } catch (const std::system_error&) {
        if (!m_failure)
            m_failure = std::current_exception();
    }
    QCoreApplication::exit(kExitFailure);
    return true;
}

} // namespace platform
