#include "padkit/util/XKeyGrab.h"

#include "padkit/util/KeyTable.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include <cerrno>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace padkit {
namespace {

// X keycodes are the input layer's codes plus 8 on every server that uses the evdev key map.
constexpr unsigned kXKeycodeOffset = 8;

} // namespace

std::unique_ptr<CXKeyGrab> CXKeyGrab::Open(const std::string& displayName, KeySink sink) {
    Display* pDisplay = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
    if (!pDisplay)
        return nullptr;
    const int nWakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (nWakeFd < 0) {
        XCloseDisplay(pDisplay);
        return nullptr;
    }
    // Auto-repeat then comes as press, press, ..., release instead of press/release pairs.
    Bool bSupported = False;
    XkbSetDetectableAutoRepeat(pDisplay, True, &bSupported);
    std::unique_ptr<CXKeyGrab> grab(new CXKeyGrab(pDisplay, nWakeFd, std::move(sink)));
    grab->m_thread = std::thread([g = grab.get()] { g->Run(); });
    return grab;
}

CXKeyGrab::CXKeyGrab(Display* pDisplay, int nWakeFd, KeySink sink)
    : m_pDisplay(pDisplay), m_nWakeFd(nWakeFd), m_sink(std::move(sink)) {}

CXKeyGrab::~CXKeyGrab() {
    m_bStop.store(true);
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = write(m_nWakeFd, &one, sizeof one);
    if (m_thread.joinable())
        m_thread.join();
    XCloseDisplay(m_pDisplay); // also ends a grab the thread still held
    close(m_nWakeFd);
}

// The capture thread.
void CXKeyGrab::Run() {
    Display* const pDisplay = m_pDisplay;
    const Window root = DefaultRootWindow(pDisplay);
    pollfd fds[2] = {{ConnectionNumber(pDisplay), POLLIN, 0}, {m_nWakeFd, POLLIN, 0}};
    while (!m_bStop.load()) {
        if (!m_bGrabbed.load()) {
            const int result =
                XGrabKeyboard(pDisplay, root, False, GrabModeAsync, GrabModeAsync, CurrentTime);
            if (result == GrabSuccess) {
                m_stroke.Reset();
                m_bGrabbed.store(true, std::memory_order_release);
            }
        }
        while (XPending(pDisplay) > 0) {
            XEvent event;
            XNextEvent(pDisplay, &event);
            Handle(&event);
        }
        if (poll(fds, 2, m_bGrabbed.load() ? -1 : kRetryMs) < 0 && errno != EINTR)
            break;
        if (fds[0].revents & (POLLERR | POLLHUP))
            break; // the server went away
    }
    if (m_bGrabbed.exchange(false)) {
        XUngrabKeyboard(pDisplay, CurrentTime);
        XFlush(pDisplay);
    }
}

// The capture thread.
void CXKeyGrab::Handle(const void* pXEvent) {
    const auto& event = *static_cast<const XEvent*>(pXEvent);
    if (event.type != KeyPress && event.type != KeyRelease)
        return;
    const XKeyEvent& key = event.xkey;
    const UINT nVKey = VKeyFromXKey(m_pDisplay, key.keycode, key.state);
    const InputKey input =
        InputKeyFromCode(key.keycode >= kXKeycodeOffset ? key.keycode - kXKeycodeOffset : 0);
    const CKeyStroke::Message message =
        m_stroke.Make(key.keycode, nVKey, input.nScanCode, input.bExtended, event.type == KeyPress);
    if (nVKey != 0) // a key with no code has no role anywhere
        m_sink(message.nMessage, message.wParam, message.lParam);
}

bool CXKeyGrab::IsKeyDown(Display* pDisplay, UINT nVKey) {
    if (!pDisplay || nVKey == 0)
        return false;
    char keys[32] = {};
    XQueryKeymap(pDisplay, keys);
    XkbStateRec state{};
    XkbGetState(pDisplay, XkbUseCoreKbd, &state);
    for (unsigned keycode = 8; keycode < 256; ++keycode) {
        if ((keys[keycode / 8] & (1 << (keycode % 8))) &&
            VKeyFromXKey(pDisplay, keycode, state.mods) == nVKey)
            return true;
    }
    return false;
}

} // namespace padkit
