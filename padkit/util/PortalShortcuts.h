#pragma once

#include "padkit/PadkitExport.h"
#include "padkit/util/KeyStroke.h"
#include "padkit/util/ShortcutKeys.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QMap>
#include <QObject>
#include <QString>

#include <functional>

class QDBusMessage;
class QDBusArgument;

namespace padkit {

// Background keys through the desktop's global shortcuts (the XDG GlobalShortcuts portal): one
// session with one shortcut per role, the configured key offered as its preferred trigger. The desktop
// decides the binding; an activation of a role reaches the sink as a press of that role's key code, its
// deactivation as the release, so held keys (stop, volume) work as with a grab. Keys the desktop did not
// bind are not taken from anyone. Everything here runs on the UI thread, the sink included.
class PADKIT_API CPortalShortcuts : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kService = "org.freedesktop.portal.Desktop";
    static constexpr const char* kPath = "/org/freedesktop/portal/desktop";
    static constexpr const char* kInterface = "org.freedesktop.portal.GlobalShortcuts";
    static constexpr const char* kRequestInterface = "org.freedesktop.portal.Request";
    static constexpr const char* kSessionInterface = "org.freedesktop.portal.Session";
    static constexpr int kProbeTimeoutMs = 2000;

    enum class EState { Binding, Bound, Failed };
    // Why the portal stopped serving: the desktop refused or failed a request, the service went away,
    // or the desktop closed the session.
    enum class EEnd { Refused, Vanished, Closed };

    // Whether the bus offers the GlobalShortcuts interface (asked once, blocking up to
    // kProbeTimeoutMs; a portal started on demand starts now).
    static bool IsOffered(const QDBusConnection& bus);

    // Starts the session at once; the binding completes as the desktop answers. onEnd is called (from the
    // event loop, never from inside a call of ours) when the portal stops serving, after the held keys
    // have been posted as released; it may hand the object to deleteLater.
    CPortalShortcuts(QDBusConnection bus, const ShortcutKeys& keys, KeySink sink,
                     std::function<void(EEnd)> onEnd,
                     std::function<void(const ShortcutTriggers&)> onTriggers);
    // Closes the session: the desktop lets the keys go.
    ~CPortalShortcuts() override;
    CPortalShortcuts(const CPortalShortcuts&) = delete;
    CPortalShortcuts& operator=(const CPortalShortcuts&) = delete;

    EState State() const { return m_state; }
    const QString& SessionHandle() const { return m_strSession; }
    const ShortcutTriggers& Triggers() const { return m_triggers; }
    // The codes posted for the roles from now on (the desktop's bindings stay as they are).
    void SetKeys(const ShortcutKeys& keys) { m_keys = keys; }
    const ShortcutKeys& Keys() const { return m_keys; }
    // Where activations go from now on. Null mutes the session, which stays bound: the keys held are
    // posted as released first, and nothing is posted until a sink is set again.
    void SetSink(KeySink sink);
    // Whether a role with this code is active at the moment.
    bool IsKeyDown(UINT nVKey) const;

private slots:
    void OnResponse(const QDBusMessage& message);
    void OnActivated(const QDBusMessage& message);
    void OnDeactivated(const QDBusMessage& message);
    void OnShortcutsChanged(const QDBusMessage& message);
    void OnSessionClosed(const QDBusMessage& message);

private:
    using Handler = void (CPortalShortcuts::*)(uint nResponse, const QVariantMap& results);

    // Calls a portal method that answers through a request object, subscribed beforehand at the path
    // the portal will use, and then at the one it returns if that differs.
    void Request(const QString& strMethod, QList<QVariant> args, QVariantMap options, Handler handler);
    void WatchRequest(const QString& strPath, Handler handler);
    void ForgetRequest(const QString& strPath);
    void OnSessionCreated(uint nResponse, const QVariantMap& results);
    void OnBound(uint nResponse, const QVariantMap& results);
    void OnListed(uint nResponse, const QVariantMap& results);
    void TakeTriggers(const QDBusArgument& shortcuts);
    void Key(const QDBusMessage& message, bool bDown);
    void ReleasePosted();
    void End(EEnd end);
    QString NextToken();

    QDBusConnection m_bus;
    ShortcutKeys m_keys;
    KeySink m_sink;
    std::function<void(EEnd)> m_onEnd;
    std::function<void(const ShortcutTriggers&)> m_onTriggers;
    QDBusServiceWatcher m_watcher;
    QMap<QString, Handler> m_requests; // request path -> what its response means
    QString m_strSession;
    ShortcutTriggers m_triggers;
    std::array<bool, kShortcutCount> m_down{};   // as the desktop tells
    std::array<bool, kShortcutCount> m_posted{}; // pressed as far as the sink knows
    EState m_state = EState::Binding;
};

} // namespace padkit
