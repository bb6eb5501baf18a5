#include "padkit/util/KeyHook.h"

#include "padkit/util/MessageBox.h"
#include "platform/Message.h"

#include <QGuiApplication>
#include <QObject>
#include <QPointer>

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

// The one capture of the process and the window it serves.
struct HookState {
    CKeyCapture capture{KeyCaptureConfig::FromEnvironment()};
    QPointer<QObject> pTarget;
    QMetaObject::Connection destroyed;
};

HookState& Hook() {
    static HookState state;
    return state;
}

} // namespace

} // namespace padkit

BOOL PADKIT_SetKeyHook(QObject* pWnd) {
    padkit::HookState& hook = padkit::Hook();
    if (!pWnd || hook.capture.IsInstalled())
        return FALSE;
    // Off-screen and test platforms have no desktop whose keys could be taken.
    const QString platform = QGuiApplication::platformName();
    if (platform != QLatin1String("xcb") && !platform.startsWith(QLatin1String("wayland")))
        return FALSE;
    // The window outlives the capture: the hook ends before the window's QObject is gone.
    const BOOL bOk = hook.capture.Install([pWnd](UINT nMessage, WPARAM wParam, LPARAM lParam) {
        platform::PostMessage(pWnd, nMessage, wParam, lParam);
    });
    if (bOk) {
        hook.pTarget = pWnd;
        hook.destroyed = QObject::connect(pWnd, &QObject::destroyed, [] { PADKIT_ResetKeyHook(); });
    }
    return bOk;
}

BOOL PADKIT_ResetKeyHook() {
    padkit::HookState& hook = padkit::Hook();
    QObject::disconnect(hook.destroyed);
    hook.pTarget = nullptr;
    return hook.capture.Remove();
}

BOOL PADKIT_IsKeyDown(UINT nVKey) {
    return padkit::Hook().capture.IsKeyDown(nVKey) ? TRUE : FALSE;
}
