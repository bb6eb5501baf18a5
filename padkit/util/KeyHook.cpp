#include "padkit/util/KeyHook.h"

#include "padkit/util/MessageBox.h"
#include "padkit/util/PortalShortcuts.h"
#include "platform/Message.h"

#include <QCoreApplication>
#include <QDBusConnection>

#include <QGuiApplication>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <QWidget>

#include <cstdlib>

namespace padkit {

KeyCaptureConfig KeyCaptureConfig::FromEnvironment() {
    KeyCaptureConfig config;
    const char* pszWayland = std::getenv("WAYLAND_DISPLAY");
    config.bInputDevices = pszWayland && *pszWayland;
    config.bPortal = config.bInputDevices;
    config.tell = [](const QString& strText) {
        PADKIT_MessageBox(nullptr, strText, QString(), MB_OK | MB_ICONEXCLAMATION);
    };
    return config;
}

QString UnreadableKeyboardText(bool bPortalTried) {
    if (!bPortalTried) {
        return QCoreApplication::translate(
            "KeyHook", "キーボードの入力デバイス (/dev/input) を読む権限がないため、"
                       "他のプログラムを使用中のキー操作 (バックグラウンド取得) は働きません。\n\n"
                       "ユーザーを input グループに加え (sudo usermod -aG input $USER)、"
                       "ログインし直してください。");
    }
    return QCoreApplication::translate(
        "KeyHook", "他のプログラムを使用中のキー操作 (バックグラウンド取得) は働きません。"
                   "デスクトップがグローバルショートカットのポータル "
                   "(org.freedesktop.portal.GlobalShortcuts) を提供しておらず、"
                   "キーボードの入力デバイス (/dev/input) を読む権限もありません。\n\n"
                   "次のどちらかで働くようになります:\n"
                   "・グローバルショートカットのポータルに対応したデスクトップ (KDE Plasma、GNOME など) "
                   "で使う\n"
                   "・ユーザーを input グループに加え (sudo usermod -aG input $USER)、ログインし直す\n\n"
                   "他のプログラムからはコマンドラインでも操作できます (padora --pad N など)。");
}

QString PortalLostText(bool bDevices) {
    const QString lost = QCoreApplication::translate(
        "KeyHook", "デスクトップのグローバルショートカット (ポータル) が使えなくなりました。");
    if (bDevices)
        return lost + QCoreApplication::translate(
                          "KeyHook", "これからはキーボードの入力デバイスから直接キーを読みます。");
    return lost + QStringLiteral("\n\n") + UnreadableKeyboardText(true);
}

CKeyCapture::CKeyCapture(KeyCaptureConfig config) : m_config(std::move(config)) {}

CKeyCapture::~CKeyCapture() {
    // At the process's end the D-Bus connections may already be gone; ending the process ends the
    // session anyway.
    if (m_pPortal && !QCoreApplication::instance())
        (void)m_pPortal.release();
    Close();
}

BOOL CKeyCapture::Install(KeySink sink) {
    if (IsInstalled())
        return FALSE;
    m_sink = std::move(sink);
    if (m_pPortal) {
        // The kept session serves again when it still binds the keys the settings have.
        const bool bReuse =
            m_pPortal->State() != CPortalShortcuts::EState::Failed && m_pPortal->Keys() == m_keys;
        m_bParked = false;
        if (bReuse) {
            m_pPortal->SetSink(m_sink);
            return TRUE;
        }
        m_pPortal.reset();
    }
    if (m_config.bPortal && InstallPortal())
        return TRUE;
    if (m_config.bInputDevices)
        return InstallReader(m_config.bPortal);
    m_pXGrab = CXKeyGrab::Open(m_config.strDisplay, m_sink, std::make_unique<CUiWatchdog>());
    return m_pXGrab ? TRUE : FALSE;
}

bool CKeyCapture::InstallPortal() {
    QDBusConnection bus =
        m_config.strBusAddress.isEmpty()
            ? QDBusConnection::sessionBus()
            : QDBusConnection::connectToBus(m_config.strBusAddress,
                                            QStringLiteral("padora-portal ") + m_config.strBusAddress);
    if (!CPortalShortcuts::IsOffered(bus))
        return false;
    m_pPortal = std::make_unique<CPortalShortcuts>(
        bus, m_keys, m_sink, [this](CPortalShortcuts::EEnd) { PortalEnded(); },
        [this](const ShortcutTriggers& triggers) { m_triggers = triggers; });
    m_bUsedPortal = true;
    return true;
}

BOOL CKeyCapture::InstallReader(bool bPortalTried) {
    m_bUsedPortal = false;
    m_triggers = {};
    CEvdevKeyReader::Status status;
    m_pReader = CEvdevKeyReader::Open(m_config.strInputFolder, m_config.opener, m_sink, &status,
                                      std::make_unique<CUiWatchdog>());
    if (!m_pReader && (status.nUnreadable > 0 || bPortalTried) && !m_bTold) {
        m_bTold = true;
        if (m_config.tell)
            m_config.tell(UnreadableKeyboardText(bPortalTried));
    }
    return m_pReader ? TRUE : FALSE;
}

void CKeyCapture::PortalEnded() {
    // Called from the portal's own event: it goes once that event is over.
    m_pPortal.release()->deleteLater();
    m_bUsedPortal = false;
    m_triggers = {};
    if (m_bParked) {
        m_bParked = false;
        return; // nothing is captured now; the next Install finds the portal gone
    }
    CEvdevKeyReader::Status status;
    m_pReader = CEvdevKeyReader::Open(m_config.strInputFolder, m_config.opener, m_sink, &status,
                                      std::make_unique<CUiWatchdog>());
    const bool bDevices = m_pReader != nullptr;
    // Said once; without the devices, that also stands for the message about them.
    if (m_bToldLost || (!bDevices && m_bTold))
        return;
    m_bToldLost = true;
    if (!bDevices)
        m_bTold = true;
    // Last: a message box lets the keyboard go while it is open, which comes back here.
    if (m_config.tell)
        m_config.tell(PortalLostText(bDevices));
}

void CKeyCapture::SetShortcutKeys(const ShortcutKeys& keys) {
    m_keys = keys;
    // A live session posts the new codes; a kept one is bound again at the next Install.
    if (m_pPortal && !m_bParked)
        m_pPortal->SetKeys(keys);
}

BOOL CKeyCapture::Remove() {
    if (!IsInstalled())
        return FALSE;
    m_pXGrab.reset();
    m_pReader.reset();
    if (m_pPortal) {
        m_pPortal->SetSink(nullptr);
        m_bParked = true;
    }
    return TRUE;
}

void CKeyCapture::Close() {
    Remove();
    m_pPortal.reset();
    m_bParked = false;
}

bool CKeyCapture::IsCapturing() const {
    return (m_pXGrab && m_pXGrab->IsGrabbed()) || (m_pReader && m_pReader->GrabbedCount() > 0) ||
           (m_pPortal && m_pPortal->State() == CPortalShortcuts::EState::Bound);
}

bool CKeyCapture::IsKeyDown(UINT nVKey) const {
    if (m_pPortal)
        return m_pPortal->IsKeyDown(nVKey);
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
        CloseUnlessTakenBack();
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
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { capture.Close(); });
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
        else if (m_modals.isEmpty() && !m_pTarget)
            CloseUnlessTakenBack();
    }

    // The window lets the capture go around its own dialogs and takes it back as soon as they close
    // (before the event loop runs again). A kept portal session that nobody takes back by then (capture
    // switched off, the window gone) is ended, so the desktop stops keeping the keys from others.
    void CloseUnlessTakenBack() {
        if (!capture.HasParkedSession())
            return;
        QTimer::singleShot(0, this, [this] {
            if (!m_pTarget && m_modals.isEmpty())
                capture.Close();
        });
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

void padkit::SetHookShortcutKeys(const ShortcutKeys& keys) {
    Hook().capture.SetShortcutKeys(keys);
}

bool padkit::HookUsesPortal() {
    return Hook().capture.UsedPortal();
}

padkit::ShortcutTriggers padkit::HookShortcutTriggers() {
    return Hook().capture.Triggers();
}

BOOL PADKIT_ResetKeyHook() {
    return padkit::Hook().Reset();
}

BOOL PADKIT_IsKeyDown(UINT nVKey) {
    return padkit::Hook().capture.IsKeyDown(nVKey) ? TRUE : FALSE;
}
