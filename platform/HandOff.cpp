#include "platform/HandOff.h"

#include <QCoreApplication>
#include <QEvent>

namespace platform {

void PostEvent(QObject* target, QEvent* event) {
    HandOffRelease(event);
    QCoreApplication::postEvent(target, event);
}

bool CApplication::notify(QObject* receiver, QEvent* event) {
    HandOffAcquire(event);
    return QApplication::notify(receiver, event);
}

} // namespace platform
