// Keyboard control of the main window: the channel, stop, volume, all-stop and group keys, from the
// window's own key events and from the system-wide capture, and the capture around modal windows.
#include "app/main/MainDlg.h"
#include "app/res/Resource.h"
#include "app/show/KeyRole.h"
#include "padkit/util/KeyHook.h"
#include "padkit/util/KeyStroke.h"
#include "padkit/util/KeyTable.h"
#include "platform/MenuTemplate.h"
#include "platform/Message.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>

namespace {

constexpr UINT kVkEscape = 0x1B;
constexpr UINT kVkLShift = 0xA0, kVkRShift = 0xA1, kVkLControl = 0xA2, kVkRControl = 0xA3;

// Sees every event of the application before its receiver does, for the window's key handling.
class CKeyEventFilter : public QObject {
public:
    explicit CKeyEventFilter(std::function<bool(QObject*, QEvent*)> filter) : m_filter(std::move(filter)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override { return m_filter(watched, e); }

private:
    std::function<bool(QObject*, QEvent*)> m_filter;
};

} // namespace

void CMainDlg::InitKeys() {
    m_pKeyFilter = std::make_unique<CKeyEventFilter>(
        [this](QObject* watched, QEvent* e) { return FilterKeyEvent(watched, e); });
    qApp->installEventFilter(m_pKeyFilter.get());
}

BOOL CMainDlg::PreTranslateMessage(UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    const auto nVKey = static_cast<UINT>(wParam);
    if (message == platform::WM_KEYUP)
        return m_show.KeyUp(nVKey);
    if (message != platform::WM_KEYDOWN)
        return FALSE;
    int pad = -1;
    if (!m_show.KeyDown(nVKey, &pad))
        return FALSE;
    // The pad press runs after this message, with the stop flag as it is then.
    if (pad >= 0)
        platform::PostMessage(this, platform::WM_COMMAND, static_cast<WPARAM>(IDC_PAD1 + pad), 0);
    return TRUE;
}

bool CMainDlg::FilterKeyEvent(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::WindowActivate && watched == this) {
        // Keys released while another program was active never told us.
        ClearHeldKeys();
        return false;
    }
    if (e->type() == QEvent::FocusIn && watched != m_pMenuBar) {
        auto* pWidget = qobject_cast<QWidget*>(watched);
        if (pWidget && pWidget->window() == this)
            m_pLastFocus = pWidget;
        return false;
    }
    if ((e->type() != QEvent::KeyPress && e->type() != QEvent::KeyRelease) || m_bSendingKey)
        return false;
    auto* pWidget = qobject_cast<QWidget*>(watched);
    if (!pWidget || pWidget->window() != this)
        return false; // a modal window of ours, or another top-level window, has the key
    const auto* key = static_cast<QKeyEvent*>(e);
    if (pWidget == m_pMenuBar && !m_pMenuBar->activeAction() && !QApplication::activePopupWidget())
        return HandOnFromIdleMenuBar(*key);
    const bool bPress = e->type() == QEvent::KeyPress;
    if (!bPress && key->isAutoRepeat())
        return false; // between two repeats the key is still down
    DWORD data = padkit::kKeyDataRepeatOne;
    if (key->isAutoRepeat() || !bPress)
        data |= padkit::kKeyDataPrevious;
    if (!bPress)
        data |= padkit::kKeyDataRelease;
    const HandlerScope scope(m_nHandlerDepth);
    return PreTranslateMessage(bPress ? platform::WM_KEYDOWN : platform::WM_KEYUP,
                               padkit::VKeyFromKeyEvent(*key), static_cast<LPARAM>(data)) != FALSE;
}

// A Wayland compositor may close a menu on its own right after it opened (sway does with one opened
// from a virtual keyboard): the menu bar keeps the focus then, with no title lit, and would swallow
// every key, Esc included, until the next click. Nothing of the menu shows any more, so the keys go to
// the window's controls again.
bool CMainDlg::HandOnFromIdleMenuBar(const QKeyEvent& key) {
    QWidget* pTarget = m_pLastFocus ? m_pLastFocus.data() : this;
    pTarget->setFocus(Qt::OtherFocusReason);
    QKeyEvent copy(key.type(), key.key(), key.modifiers(), key.nativeScanCode(), key.nativeVirtualKey(),
                   key.nativeModifiers(), key.text(), key.isAutoRepeat(), key.count());
    QCoreApplication::sendEvent(pTarget, &copy);
    return true;
}

LRESULT CMainDlg::OnKeyMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    TrackCapturedModifier(message, static_cast<UINT>(wParam));
    if (PreTranslateMessage(message, wParam, lParam))
        return 0;
    // A captured key with no role gets the window's standard key handling (Tab moves the focus, Esc
    // closes), as if it had been typed into the window; while a menu of the window is open, the menu
    // has it (its mnemonics and arrows work although the capture holds the keyboard).
    const auto nVKey = static_cast<UINT>(wParam);
    Qt::KeyboardModifiers modifiers;
    const int qtKey = padkit::QtKeyFromVKey(nVKey, &modifiers);
    if (qtKey == Qt::Key_unknown)
        return 0;
    modifiers |= QGuiApplication::queryKeyboardModifiers();
    // Where the keyboards are read from their devices the display server knows nothing of what is held.
    if (static_cast<DWORD>(lParam) & padkit::kKeyDataAlt)
        modifiers |= Qt::AltModifier;
    // Ctrl and Shift as they were when this key was typed, not as they are now.
    modifiers |= m_capturedModifiers;
    const bool bPress = message == platform::WM_KEYDOWN;
    if (!QApplication::activeWindow()) {
        // Typed into another program: the operator was working there, and its Esc must not end the show.
        if (nVKey == kVkEscape)
            return 0;
    } else if (bPress && QApplication::activeWindow() == this && !QApplication::activePopupWidget()) {
        // The desktop never sees a captured key: the window does what it would have done with it.
        if (qtKey == Qt::Key_F4 && modifiers == Qt::AltModifier) {
            RequestClose(0);
            return 0;
        }
        if (platform::HandleMenuKey(m_pMenuBar, QKeyCombination(modifiers, static_cast<Qt::Key>(qtKey))))
            return 0;
    }
    QString text;
    if (!(modifiers & (Qt::ControlModifier | Qt::AltModifier))) {
        if (nVKey >= 'A' && nVKey <= 'Z')
            text =
                QChar(static_cast<char16_t>((modifiers & Qt::ShiftModifier) ? nVKey : nVKey + ('a' - 'A')));
        else if ((nVKey >= '0' && nVKey <= '9') || nVKey == 0x20)
            text = QChar(static_cast<char16_t>(nVKey));
    }
    const bool bRepeat =
        (static_cast<DWORD>(lParam) & padkit::kKeyDataPrevious) != 0 && message == platform::WM_KEYDOWN;
    QKeyEvent key(message == platform::WM_KEYDOWN ? QEvent::KeyPress : QEvent::KeyRelease, qtKey, modifiers,
                  text, bRepeat);
    QWidget* pTarget = QApplication::activePopupWidget();
    if (!pTarget)
        pTarget = focusWidget() ? focusWidget() : this;
    m_bSendingKey = true;
    QCoreApplication::sendEvent(pTarget, &key);
    m_bSendingKey = false;
    return 0;
}

void CMainDlg::TrackCapturedModifier(UINT message, UINT nVKey) {
    Qt::KeyboardModifier modifier = Qt::NoModifier;
    if (nVKey == padkit::kVkControl || nVKey == kVkLControl || nVKey == kVkRControl)
        modifier = Qt::ControlModifier;
    else if (nVKey == padkit::kVkShift || nVKey == kVkLShift || nVKey == kVkRShift)
        modifier = Qt::ShiftModifier;
    else
        return;
    m_capturedModifiers.setFlag(modifier, message == platform::WM_KEYDOWN);
}

void CMainDlg::ClearHeldKeys() {
    m_show.ClearHeldKeys();
    const auto isDown = [](int nKey) { return nKey != 0 && PADKIT_IsKeyDown(static_cast<UINT>(nKey)); };
    if (!isDown(static_cast<int>(padkit::kVkControl)))
        m_capturedModifiers.setFlag(Qt::ControlModifier, false);
    if (!isDown(static_cast<int>(padkit::kVkShift)))
        m_capturedModifiers.setFlag(Qt::ShiftModifier, false);
}

void CMainDlg::ReleaseHook() {
    if (m_show.Options().bGetNoActive)
        PADKIT_ResetKeyHook();
}

void CMainDlg::RestoreHook() {
    if (!m_show.Options().bGetNoActive)
        return;
    padkit::SetHookShortcutKeys(ShortcutKeysOf(m_show.Options()));
    PADKIT_SetKeyHook(this);
    ClearHeldKeys();
}
