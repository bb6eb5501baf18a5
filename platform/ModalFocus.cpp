#include "platform/ModalFocus.h"

#include <QEvent>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>

namespace platform {

namespace {

// Qt's own connection, so that our requests and replies keep their order with Qt's map and unmap.
xcb_connection_t* Connection() {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_window_t FocusWindow(xcb_connection_t* c) {
    xcb_get_input_focus_reply_t* reply = xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
    if (!reply)
        return XCB_NONE;
    const xcb_window_t focus = reply->focus;
    std::free(reply);
    return focus;
}

// No window has the keys: nothing, the pointer's window, or a root window.
bool IsNowhere(xcb_connection_t* c, xcb_window_t w) {
    if (w == XCB_NONE || w == XCB_INPUT_FOCUS_POINTER_ROOT)
        return true;
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(c)); it.rem > 0; xcb_screen_next(&it)) {
        if (it.data->root == w)
            return true;
    }
    return false;
}

bool IsViewable(xcb_connection_t* c, xcb_window_t w) {
    xcb_generic_error_t* error = nullptr;
    xcb_get_window_attributes_reply_t* reply =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), &error);
    std::free(error); // the window is gone
    if (!reply)
        return false;
    const bool viewable = reply->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(reply);
    return viewable;
}

QWidget* ModalWindow(QObject* o) {
    auto* w = qobject_cast<QWidget*>(o);
    return w && w->isWindow() && w->windowModality() != Qt::NonModal ? w : nullptr;
}

} // namespace

CModalFocus::CModalFocus(QObject* parent) : QObject(parent) {}

CModalFocus::~CModalFocus() = default;

bool CModalFocus::eventFilter(QObject* watched, QEvent* e) {
    // Minimising and restoring are spontaneous; opening and closing are not.
    if ((e->type() == QEvent::Show || e->type() == QEvent::Hide) && !e->spontaneous()) {
        if (QWidget* w = ModalWindow(watched)) {
            if (e->type() == QEvent::Show)
                Opened(w);
            else
                Closed(w, static_cast<unsigned long>(w->internalWinId()));
        }
    }
    return QObject::eventFilter(watched, e);
}

void CModalFocus::Opened(QObject* window) {
    xcb_connection_t* c = Connection();
    if (!c)
        return;
    // The show event comes before the window is mapped: the focus is still where it was, or, when
    // another modal window closed just before (the loader after a dialog), where that one gives it back.
    xcb_window_t previous = FocusWindow(c);
    if (IsNowhere(c, previous))
        previous = m_pending;
    m_pending = XCB_NONE;
    if (previous == XCB_NONE)
        return;
    if (!m_previous.contains(window))
        connect(window, &QObject::destroyed, this, [this](QObject* gone) { m_previous.remove(gone); });
    m_previous.insert(window, previous);
}

void CModalFocus::Closed(QObject* window, unsigned long xWindow) {
    const auto it = m_previous.constFind(window);
    if (it == m_previous.constEnd())
        return;
    const auto previous = static_cast<xcb_window_t>(it.value());
    m_previous.erase(it);
    disconnect(window, &QObject::destroyed, this, nullptr);
    xcb_connection_t* c = Connection();
    if (!c)
        return;
    // The window has been unmapped: its focus fell to the root, unless someone took it meanwhile.
    const xcb_window_t focus = FocusWindow(c);
    if (focus != xWindow && !IsNowhere(c, focus))
        return;
    // Given back once the closing is over: a window of ours that gets the focus while the toolkit still
    // counts it as blocked by the modal window would pass it on to that one.
    m_pending = previous;
    QTimer::singleShot(0, this, [this] { GiveBack(); });
}

void CModalFocus::GiveBack() {
    const xcb_window_t target = m_pending;
    m_pending = XCB_NONE;
    xcb_connection_t* c = Connection();
    if (target == XCB_NONE || !c)
        return;
    if (!IsNowhere(c, FocusWindow(c)) || !IsViewable(c, target))
        return;
    // The current time: the request comes from no event of ours, and focus changes since then count.
    std::free(xcb_request_check(
        c, xcb_set_input_focus_checked(c, XCB_INPUT_FOCUS_PARENT, target, XCB_CURRENT_TIME)));
}

} // namespace platform
