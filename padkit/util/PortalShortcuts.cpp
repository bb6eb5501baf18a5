#include "padkit/util/PortalShortcuts.h"

#include "padkit/util/KeyTable.h"
#include "platform/Message.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QTimer>

#include <X11/Xlib.h>

#include <atomic>

#include <unistd.h>

namespace {

// One element of the shortcut lists the portal takes and gives: a(sa{sv}).
struct PortalShortcut {
    QString strId;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& arg, const PortalShortcut& s) {
    arg.beginStructure();
    arg << s.strId << s.properties;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, PortalShortcut& s) {
    arg.beginStructure();
    arg >> s.strId >> s.properties;
    arg.endStructure();
    return arg;
}

} // namespace

Q_DECLARE_METATYPE(PortalShortcut)

namespace padkit {

namespace {

constexpr uint kResponseSuccess = 0;
constexpr const char* kRequestFolder = "/org/freedesktop/portal/desktop/request/";
constexpr const char* kSessionFolder = "/org/freedesktop/portal/desktop/session/";

// What the desktop shows for each role in its shortcut settings.
constexpr const char* kDescription[kShortcutCount] = {
    QT_TRANSLATE_NOOP("PortalShortcuts", "パッド 1"),
    QT_TRANSLATE_NOOP("PortalShortcuts", "パッド 2"),
    QT_TRANSLATE_NOOP("PortalShortcuts", "パッド 3"),
    QT_TRANSLATE_NOOP("PortalShortcuts", "パッド 4"),
    QT_TRANSLATE_NOOP("PortalShortcuts", "パッド 5"),
    QT_TRANSLATE_NOOP("PortalShortcuts", "パッド 6"),
    QT_TRANSLATE_NOOP("PortalShortcuts", "パッド 7"),
    QT_TRANSLATE_NOOP("PortalShortcuts", "パッド 8"),
    QT_TRANSLATE_NOOP("PortalShortcuts", "パッド 9"),
    QT_TRANSLATE_NOOP("PortalShortcuts", "パッド 10"),
    QT_TRANSLATE_NOOP("PortalShortcuts", "個別停止 (押しながらパッド)"),
    QT_TRANSLATE_NOOP("PortalShortcuts", "全停止"),
    QT_TRANSLATE_NOOP("PortalShortcuts", "前のグループ"),
    QT_TRANSLATE_NOOP("PortalShortcuts", "次のグループ"),
    QT_TRANSLATE_NOOP("PortalShortcuts", "音量アップ (押しながらパッド)"),
    QT_TRANSLATE_NOOP("PortalShortcuts", "音量ダウン (押しながらパッド)"),
    QT_TRANSLATE_NOOP("PortalShortcuts", "マスター音量"),
};

void RegisterTypes() {
    static const bool bDone = [] {
        qDBusRegisterMetaType<PortalShortcut>();
        qDBusRegisterMetaType<QList<PortalShortcut>>();
        return true;
    }();
    (void)bDone;
}

// A vardict as a message carries it (demarshalled or not).
QVariantMap ToMap(const QVariant& v) {
    if (v.canConvert<QDBusArgument>())
        return qdbus_cast<QVariantMap>(v.value<QDBusArgument>());
    return v.toMap();
}

// An object path that came as "o" or, as some portals send the session handle, as "s".
QString ToPath(const QVariant& v) {
    if (v.canConvert<QDBusObjectPath>())
        return v.value<QDBusObjectPath>().path();
    return v.toString();
}

} // namespace

const std::array<const char*, kShortcutCount>& ShortcutIds() {
    static const std::array<const char*, kShortcutCount> ids = {
        "pad1",  "pad2", "pad3",    "pad4",       "pad5",       "pad6",      "pad7",        "pad8",   "pad9",
        "pad10", "stop", "allstop", "group-prev", "group-next", "volume-up", "volume-down", "master",
    };
    return ids;
}

int ShortcutIndex(const QString& strId) {
    const auto& ids = ShortcutIds();
    for (int i = 0; i < kShortcutCount; ++i) {
        if (strId == QLatin1String(ids[static_cast<size_t>(i)]))
            return i;
    }
    return -1;
}

QString PreferredTrigger(UINT nVKey) {
    if (nVKey == 0)
        return {};
    const unsigned long keysym = KeysymFromVKey(nVKey);
    const char* pszName = keysym ? XKeysymToString(keysym) : nullptr;
    return pszName ? QString::fromLatin1(pszName) : QString();
}

bool CPortalShortcuts::IsOffered(const QDBusConnection& bus) {
    if (!bus.isConnected())
        return false;
    QDBusMessage get = QDBusMessage::createMethodCall(QLatin1String(kService), QLatin1String(kPath),
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << QLatin1String(kInterface) << QStringLiteral("version");
    const QDBusMessage reply = bus.call(get, QDBus::Block, kProbeTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

CPortalShortcuts::CPortalShortcuts(QDBusConnection bus, const ShortcutKeys& keys, KeySink sink,
                                   std::function<void(EEnd)> onEnd,
                                   std::function<void(const ShortcutTriggers&)> onTriggers)
    : m_bus(std::move(bus)), m_keys(keys), m_sink(std::move(sink)), m_onEnd(std::move(onEnd)),
      m_onTriggers(std::move(onTriggers)),
      m_watcher(QLatin1String(kService), m_bus, QDBusServiceWatcher::WatchForUnregistration) {
    RegisterTypes();
    connect(&m_watcher, &QDBusServiceWatcher::serviceUnregistered, this, [this] { End(EEnd::Vanished); });
    const QString service = QLatin1String(kService), path = QLatin1String(kPath);
    const QString iface = QLatin1String(kInterface);
    m_bus.connect(service, path, iface, QStringLiteral("Activated"), this, SLOT(OnActivated(QDBusMessage)));
    m_bus.connect(service, path, iface, QStringLiteral("Deactivated"), this,
                  SLOT(OnDeactivated(QDBusMessage)));
    m_bus.connect(service, path, iface, QStringLiteral("ShortcutsChanged"), this,
                  SLOT(OnShortcutsChanged(QDBusMessage)));

    const QString sessionToken = NextToken();
    // The session's path is known before the portal answers, so that it can be closed whatever happens.
    m_strSession =
        QLatin1String(kSessionFolder) + m_bus.baseService().mid(1).replace(u'.', u'_') + u'/' + sessionToken;
    m_bus.connect(service, m_strSession, QLatin1String(kSessionInterface), QStringLiteral("Closed"), this,
                  SLOT(OnSessionClosed(QDBusMessage)));
    Request(QStringLiteral("CreateSession"), {}, {{QStringLiteral("session_handle_token"), sessionToken}},
            &CPortalShortcuts::OnSessionCreated);
}

CPortalShortcuts::~CPortalShortcuts() {
    if (m_bus.isConnected() && !m_strSession.isEmpty()) {
        m_bus.send(QDBusMessage::createMethodCall(QLatin1String(kService), m_strSession,
                                                  QLatin1String(kSessionInterface), QStringLiteral("Close")));
    }
}

bool CPortalShortcuts::IsKeyDown(UINT nVKey) const {
    for (int i = 0; i < kShortcutCount; ++i) {
        if (m_down[static_cast<size_t>(i)] && m_keys.aVKey[static_cast<size_t>(i)] == nVKey)
            return true;
    }
    return false;
}

QString CPortalShortcuts::NextToken() {
    // Unique across the sessions of the process: a closed session's path may still be taken while the
    // portal handles its Close.
    static std::atomic<int> s_nToken{0};
    return QStringLiteral("padora_%1_%2").arg(getpid()).arg(++s_nToken);
}

void CPortalShortcuts::Request(const QString& strMethod, QList<QVariant> args, QVariantMap options,
                               Handler handler) {
    const QString token = NextToken();
    options.insert(QStringLiteral("handle_token"), token);
    // Subscribed before the call: the response may come before the call's reply does.
    const QString expected =
        QLatin1String(kRequestFolder) + m_bus.baseService().mid(1).replace(u'.', u'_') + u'/' + token;
    WatchRequest(expected, handler);
    QDBusMessage call = QDBusMessage::createMethodCall(QLatin1String(kService), QLatin1String(kPath),
                                                       QLatin1String(kInterface), strMethod);
    args.append(options);
    call.setArguments(args);
    auto* pWatcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(pWatcher, &QDBusPendingCallWatcher::finished, this,
            [this, expected, handler](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                const QDBusPendingReply<QDBusObjectPath> reply = *w;
                if (reply.isError()) {
                    ForgetRequest(expected);
                    End(EEnd::Refused);
                    return;
                }
                const QString actual = reply.value().path();
                // An older portal makes up its own path: listen there instead.
                if (actual != expected && m_requests.contains(expected)) {
                    ForgetRequest(expected);
                    WatchRequest(actual, handler);
                }
            });
}

void CPortalShortcuts::WatchRequest(const QString& strPath, Handler handler) {
    m_requests.insert(strPath, handler);
    m_bus.connect(QLatin1String(kService), strPath, QLatin1String(kRequestInterface),
                  QStringLiteral("Response"), this, SLOT(OnResponse(QDBusMessage)));
}

void CPortalShortcuts::ForgetRequest(const QString& strPath) {
    if (m_requests.remove(strPath) == 0)
        return;
    m_bus.disconnect(QLatin1String(kService), strPath, QLatin1String(kRequestInterface),
                     QStringLiteral("Response"), this, SLOT(OnResponse(QDBusMessage)));
}

void CPortalShortcuts::OnResponse(const QDBusMessage& message) {
    const QString path = message.path();
    const auto it = m_requests.constFind(path);
    if (it == m_requests.constEnd())
        return;
    const Handler handler = it.value();
    ForgetRequest(path);
    const QList<QVariant> args = message.arguments();
    if (args.size() < 2 || m_state == EState::Failed)
        return;
    (this->*handler)(args[0].toUInt(), ToMap(args[1]));
}

void CPortalShortcuts::OnSessionCreated(uint nResponse, const QVariantMap& results) {
    if (nResponse != kResponseSuccess) {
        End(EEnd::Refused);
        return;
    }
    const QString session = ToPath(results.value(QStringLiteral("session_handle")));
    if (!session.isEmpty() && session != m_strSession) {
        m_bus.disconnect(QLatin1String(kService), m_strSession, QLatin1String(kSessionInterface),
                         QStringLiteral("Closed"), this, SLOT(OnSessionClosed(QDBusMessage)));
        m_strSession = session;
        m_bus.connect(QLatin1String(kService), m_strSession, QLatin1String(kSessionInterface),
                      QStringLiteral("Closed"), this, SLOT(OnSessionClosed(QDBusMessage)));
    }
    QList<PortalShortcut> shortcuts;
    for (int i = 0; i < kShortcutCount; ++i) {
        PortalShortcut s;
        s.strId = QLatin1String(ShortcutIds()[static_cast<size_t>(i)]);
        s.properties.insert(QStringLiteral("description"),
                            QCoreApplication::translate("PortalShortcuts", kDescription[i]));
        // A role without a key is bound all the same: the desktop may give it one.
        const QString trigger = PreferredTrigger(m_keys.aVKey[static_cast<size_t>(i)]);
        if (!trigger.isEmpty())
            s.properties.insert(QStringLiteral("preferred_trigger"), trigger);
        shortcuts.append(s);
    }
    Request(QStringLiteral("BindShortcuts"),
            {QVariant::fromValue(QDBusObjectPath(m_strSession)), QVariant::fromValue(shortcuts), QString()},
            {}, &CPortalShortcuts::OnBound);
}

void CPortalShortcuts::OnBound(uint nResponse, const QVariantMap& results) {
    if (nResponse != kResponseSuccess) {
        End(EEnd::Refused);
        return;
    }
    m_state = EState::Bound;
    const QVariant shortcuts = results.value(QStringLiteral("shortcuts"));
    if (shortcuts.canConvert<QDBusArgument>())
        TakeTriggers(shortcuts.value<QDBusArgument>());
    // The bind answer may leave out what the desktop had bound before: ask for the whole list.
    Request(QStringLiteral("ListShortcuts"), {QVariant::fromValue(QDBusObjectPath(m_strSession))}, {},
            &CPortalShortcuts::OnListed);
}

void CPortalShortcuts::OnListed(uint nResponse, const QVariantMap& results) {
    // A failed list changes nothing: the keys work as bound.
    const QVariant shortcuts = results.value(QStringLiteral("shortcuts"));
    if (nResponse == kResponseSuccess && shortcuts.canConvert<QDBusArgument>())
        TakeTriggers(shortcuts.value<QDBusArgument>());
}

void CPortalShortcuts::TakeTriggers(const QDBusArgument& arg) {
    const auto shortcuts = qdbus_cast<QList<PortalShortcut>>(arg);
    for (const PortalShortcut& s : shortcuts) {
        const int i = ShortcutIndex(s.strId);
        if (i >= 0)
            m_triggers[static_cast<size_t>(i)] =
                s.properties.value(QStringLiteral("trigger_description")).toString();
    }
    if (m_onTriggers)
        m_onTriggers(m_triggers);
}

void CPortalShortcuts::OnShortcutsChanged(const QDBusMessage& message) {
    const QList<QVariant> args = message.arguments();
    if (args.size() < 2 || ToPath(args[0]) != m_strSession || !args[1].canConvert<QDBusArgument>())
        return;
    TakeTriggers(args[1].value<QDBusArgument>());
}

void CPortalShortcuts::OnActivated(const QDBusMessage& message) {
    Key(message, true);
}

void CPortalShortcuts::OnDeactivated(const QDBusMessage& message) {
    Key(message, false);
}

void CPortalShortcuts::Key(const QDBusMessage& message, bool bDown) {
    const QList<QVariant> args = message.arguments();
    if (args.size() < 2 || m_state != EState::Bound || ToPath(args[0]) != m_strSession)
        return;
    const int i = ShortcutIndex(args[1].toString());
    if (i < 0)
        return;
    const auto n = static_cast<size_t>(i);
    m_down[n] = bDown;
    const UINT nVKey = m_keys.aVKey[n];
    // A role without a key has nothing the window could look up; a muted session posts no presses; a
    // release goes only where its press went.
    if (nVKey == 0 || (bDown && !m_sink) || (!bDown && !m_posted[n]))
        return;
    DWORD data = kKeyDataRepeatOne;
    if (m_posted[n])
        data |= kKeyDataPrevious;
    if (!bDown)
        data |= kKeyDataRelease;
    m_posted[n] = bDown;
    m_sink(bDown ? platform::WM_KEYDOWN : platform::WM_KEYUP, nVKey, static_cast<LPARAM>(data));
}

void CPortalShortcuts::ReleasePosted() {
    for (int i = 0; i < kShortcutCount; ++i) {
        const auto n = static_cast<size_t>(i);
        if (m_posted[n] && m_sink)
            m_sink(platform::WM_KEYUP, m_keys.aVKey[n],
                   static_cast<LPARAM>(kKeyDataRepeatOne | kKeyDataPrevious | kKeyDataRelease));
        m_posted[n] = false;
    }
}

void CPortalShortcuts::SetSink(KeySink sink) {
    if (!sink)
        ReleasePosted();
    m_sink = std::move(sink);
}

void CPortalShortcuts::OnSessionClosed(const QDBusMessage& /*message*/) {
    End(EEnd::Closed);
}

void CPortalShortcuts::End(EEnd end) {
    if (m_state == EState::Failed)
        return;
    m_state = EState::Failed;
    // The desktop will not tell these releases any more.
    ReleasePosted();
    m_down = {};
    if (end != EEnd::Refused)
        m_strSession.clear(); // nothing left to close
    if (m_onEnd)
        QTimer::singleShot(0, this, [this, end] { m_onEnd(end); });
}

} // namespace padkit
