#include "padkit/util/KeyHook.h"

#include "padkit/util/MessageBox.h"
#include "platform/Message.h"

#include <QGuiApplication>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QWidget>

#include <cstdlib>

namespace padkit {

KeyCaptureConfig KeyCaptureConfig::FromEnvironment() {
    KeyCaptureConfig config;
    const char* pszWayland = std::getenv("WAYLAND_DISPLAY");
    config.bInputDevices = pszWayland && *pszWayland;
    config.tell = [](const QString& strText) {
        PADKIT_MessageBox(nullptr, strText, QString(), MB_OK | MB_ICONEXCLAMATION);
    };
    return config;
}

QString UnreadableKeyboardText() {
    return QStringLiteral("キーボードの入力デバイス (/dev/input) を読む権限がないため、"
                          "他のプログラムを使用中のキー操作 (バックグラウンド取得) は働きません。\n\n"
                          "ユーザーを input グループに加え (sudo usermod -aG input $USER)、"
                          "ログインし直してください。");
}

CKeyCapture::CKeyCapture(KeyCaptureConfig config) : m_config(std::move(config)) {}

CKeyCapture::~CKeyCapture() {
    Remove();
}

BOOL CKeyCapture::Install(KeySink sink) {
    if (IsInstalled())
        return FALSE;
    if (m_config.bInputDevices) {
        CEvdevKeyReader::Status status;
        m_pReader = CEvdevKeyReader::Open(m_config.strInputFolder, m_config.opener, std::move(sink), &status,
                                          std::make_unique<CUiWatchdog>());
        if (!m_pReader && status.nUnreadable > 0 && !m_bTold) {
            m_bTold = true;
            if (m_config.tell)
                m_config.tell(UnreadableKeyboardText());
        }
        return m_pReader ? TRUE : FALSE;
    }
    m_pXGrab = CXKeyGrab::Open(m_config.strDisplay, std::move(sink), std::make_unique<CUiWatchdog>());
    return m_pXGrab ? TRUE : FALSE;
}

BOOL CKeyCapture::Remove() {
    if (!IsInstalled())
        return FALSE;
    m_pXGrab.reset();
    m_pReader.reset();
    return TRUE;
}

bool CKeyCapture::IsCapturing() const {
    return (m_pXGrab && m_pXGrab->IsGrabbed()) || (m_pReader && m_pReader->GrabbedCount() > 0);
}

bool CKeyCapture::IsKeyDown(UINT nVKey) const {
    if (m_pReader)
        return m_pReader->IsKeyDown(nVKey);
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 && CXKeyGrab::IsKeyDown(x11->display(), nVKey);
}

namespace {

// A window of the program that runs its own loop and takes the keys from the desktop as any window
// does: a dialog, a message box, a file dialog, the loader, the about box.
QObject* ModalWindow(QObject* o) {
    auto* w = qobject_cast<QWidget*>(o);
    return w && w->isWindow() && w->windowModality() != Qt::NonModal ? w : nullptr;
}

// The one capture of the process and the window it serves. The capture runs while a window wants it
// and no modal window of the program is open: each modal window lets the keyboard go while it is
// open, whoever opened it, and it is taken again when the last one closes. UI thread.
class CHookState : public QObject {
public:
    CKeyCapture capture{KeyCaptureConfig::FromEnvironment()};

    BOOL Set(QObject* pWnd) {
        if (!pWnd || m_pTarget)
            return FALSE;
        WatchModalWindows();
        m_pTarget = pWnd;
        m_destroyed = QObject::connect(pWnd, &QObject::destroyed, this, [this] { Reset(); });
        if (!m_modals.isEmpty())
            return TRUE; // taken once the modal windows have closed
        if (Install())
            return TRUE;
        Forget();
        return FALSE;
    }

    BOOL Reset() {
        if (!m_pTarget)
            return FALSE;
        Forget();
        capture.Remove();
        return TRUE;
    }

    bool IsSuspended() const { return !m_modals.isEmpty(); }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        // Minimising and restoring are spontaneous; opening and closing are not.
        if ((e->type() == QEvent::Show || e->type() == QEvent::Hide) && !e->spontaneous()) {
            if (QObject* w = ModalWindow(watched)) {
                if (e->type() == QEvent::Show)
                    Opened(w);
                else
                    Closed(w);
            }
        }
        return QObject::eventFilter(watched, e);
    }

private:
    void WatchModalWindows() {
        if (m_bWatching || !qApp)
            return;
        qApp->installEventFilter(this);
        m_bWatching = true;
    }

    void Opened(QObject* w) {
        if (m_modals.contains(w))
            return;
        m_modals.insert(w);
        QObject::connect(w, &QObject::destroyed, this, [this](QObject* gone) { Closed(gone); });
        capture.Remove();
    }

    void Closed(QObject* w) {
        if (!m_modals.remove(w))
            return;
        QObject::disconnect(w, &QObject::destroyed, this, nullptr);
        if (m_modals.isEmpty() && m_pTarget && !capture.IsInstalled())
            Install();
    }

    bool Install() {
        QObject* pWnd = m_pTarget.data();
        // The window outlives the capture: the hook ends before the window's QObject is gone.
        return capture.Install([pWnd](UINT nMessage, WPARAM wParam, LPARAM lParam) {
            platform::PostMessage(pWnd, nMessage, wParam, lParam);
        });
    }

    void Forget() {
        QObject::disconnect(m_destroyed);
        m_pTarget = nullptr;
    }

    QPointer<QObject> m_pTarget;
    QMetaObject::Connection m_destroyed;
    QSet<QObject*> m_modals;
    bool m_bWatching = false;
};

CHookState& Hook() {
    static CHookState state;
    return state;
}

} // namespace

} // namespace padkit

BOOL PADKIT_SetKeyHook(QObject* pWnd) {
    // Off-screen and test platforms have no desktop whose keys could be taken.
    const QString platform = QGuiApplication::platformName();
    if (platform != QLatin1String("xcb") && !platform.startsWith(QLatin1String("wayland")))
        return FALSE;
    return padkit::Hook().Set(pWnd);
}

BOOL PADKIT_ResetKeyHook() {
    return padkit::Hook().Reset();
}

BOOL PADKIT_IsKeyDown(UINT nVKey) {
    return padkit::Hook().capture.IsKeyDown(nVKey) ? TRUE : FALSE;
}
