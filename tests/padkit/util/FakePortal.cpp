#include "padkit/util/FakePortal.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QFile>
#include <QMetaObject>

namespace {

constexpr const char* kService = "org.freedesktop.portal.Desktop";
constexpr const char* kPath = "/org/freedesktop/portal/desktop";
constexpr const char* kShortcuts = "org.freedesktop.portal.GlobalShortcuts";
constexpr const char* kRequest = "org.freedesktop.portal.Request";
constexpr const char* kSession = "org.freedesktop.portal.Session";
constexpr int kStartTimeoutMs = 5000;

struct FakeShortcut {
    QString strId;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& arg, const FakeShortcut& s) {
    arg.beginStructure();
    arg << s.strId << s.properties;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, FakeShortcut& s) {
    arg.beginStructure();
    arg >> s.strId >> s.properties;
    arg.endStructure();
    return arg;
}

} // namespace

Q_DECLARE_METATYPE(FakeShortcut)

CPrivateSessionBus::CPrivateSessionBus() {
    if (!m_dir.isValid())
        return;
    const QString config = m_dir.filePath(QStringLiteral("session.conf"));
    QFile f(config);
    if (!f.open(QIODevice::WriteOnly))
        return;
    f.write(
        QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
                       "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                       "<busconfig><type>session</type><listen>unix:dir=%1</listen><auth>EXTERNAL</auth>"
                       "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                       "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n")
            .arg(m_dir.path())
            .toUtf8());
    f.close();
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--config-file=") + config, QStringLiteral("--print-address"),
                    QStringLiteral("--nofork")});
    if (!m_daemon.waitForStarted(kStartTimeoutMs))
        return;
    while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(kStartTimeoutMs)) {
    }
    m_strAddress = QString::fromUtf8(m_daemon.readLine()).trimmed();
}

CPrivateSessionBus::~CPrivateSessionBus() {
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(kStartTimeoutMs)) {
            m_daemon.kill();
            m_daemon.waitForFinished();
        }
    }
}

// The service itself; every member runs on the portal's thread.
class CFakePortalService : public QDBusVirtualObject {
public:
    explicit CFakePortalService(const QString& strAddress)
        : m_bus(QDBusConnection::connectToBus(strAddress, QStringLiteral("fake-portal ") + strAddress)) {
        qDBusRegisterMetaType<FakeShortcut>();
        qDBusRegisterMetaType<QList<FakeShortcut>>();
        m_bServing = m_bus.isConnected() &&
                     m_bus.registerVirtualObject(QLatin1String(kPath), this, QDBusConnection::SubPath) &&
                     m_bus.registerService(QLatin1String(kService));
    }
    ~CFakePortalService() override {
        m_bus.unregisterObject(QLatin1String(kPath), QDBusConnection::UnregisterTree);
        QDBusConnection::disconnectFromBus(m_bus.name());
    }

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override {
        const QString iface = message.interface(), member = message.member();
        const QList<QVariant> args = message.arguments();
        if (iface == QLatin1String("org.freedesktop.DBus.Properties") && member == QLatin1String("Get")) {
            m_bus.send(message.createReply(QVariant::fromValue(QDBusVariant(uint(1)))));
            return true;
        }
        if (iface == QLatin1String(kSession) && member == QLatin1String("Close")) {
            ++record.nClosed;
            m_bus.send(message.createReply());
            return true;
        }
        if (iface != QLatin1String(kShortcuts) || args.isEmpty())
            return false;
        record.strClient = message.service();
        const QVariantMap options = Map(args.last());
        const QString request = RequestPath(message, options);
        // The reply first, then the answer, as a portal that answers at once does: a client that
        // subscribes only after the reply misses it.
        m_bus.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
        record.requestPaths << request;
        if (member == QLatin1String("CreateSession")) {
            record.strSession = QLatin1String(kPath) + QStringLiteral("/session/") +
                                Mangled(message.service()) + u'/' +
                                options.value(QStringLiteral("session_handle_token")).toString();
            // The session handle comes as a string, as the real portal sends it.
            Respond(request, 0, {{QStringLiteral("session_handle"), record.strSession}});
        } else if (member == QLatin1String("BindShortcuts") && args.size() >= 4) {
            record.bound.clear();
            const auto shortcuts = qdbus_cast<QList<FakeShortcut>>(args[1].value<QDBusArgument>());
            for (const FakeShortcut& s : shortcuts)
                record.bound.push_back({s.strId, s.properties});
            Respond(request, m_nBindAnswer,
                    m_nBindAnswer == 0 ? QVariantMap{{QStringLiteral("shortcuts"), BoundList()}}
                                       : QVariantMap{});
        } else if (member == QLatin1String("ListShortcuts")) {
            Respond(request, 0, {{QStringLiteral("shortcuts"), BoundList()}});
        } else {
            return false;
        }
        return true;
    }

    void Signal(const char* pszMember, const QString& strId, const QString& strSession) {
        QDBusMessage sig = QDBusMessage::createSignal(QLatin1String(kPath), QLatin1String(kShortcuts),
                                                      QLatin1String(pszMember));
        sig << QVariant::fromValue(QDBusObjectPath(strSession.isEmpty() ? record.strSession : strSession))
            << strId << qulonglong(++m_nTime) << QVariantMap();
        m_bus.send(sig);
    }

    void ChangeTriggers(const QVariantMap& triggers) {
        triggerTexts = triggers;
        QDBusMessage sig = QDBusMessage::createSignal(QLatin1String(kPath), QLatin1String(kShortcuts),
                                                      QStringLiteral("ShortcutsChanged"));
        sig << QVariant::fromValue(QDBusObjectPath(record.strSession)) << BoundList();
        m_bus.send(sig);
    }

    void Vanish() {
        m_bus.unregisterService(QLatin1String(kService));
        m_bServing = false;
    }

    CFakePortal::Record record;
    QVariantMap triggerTexts;
    uint m_nBindAnswer = 0;
    bool m_bServing = false;

private:
    static QVariantMap Map(const QVariant& v) {
        return v.canConvert<QDBusArgument>() ? qdbus_cast<QVariantMap>(v.value<QDBusArgument>()) : v.toMap();
    }
    static QString Mangled(QString sender) { return sender.mid(1).replace(u'.', u'_'); }

    QString RequestPath(const QDBusMessage& message, const QVariantMap& options) {
        QString token = options.value(QStringLiteral("handle_token")).toString();
        if (token.isEmpty()) {
            record.tokenlessCalls << message.member();
            token = QStringLiteral("t%1").arg(++m_nTokens);
        }
        return QLatin1String(kPath) + QStringLiteral("/request/") + Mangled(message.service()) + u'/' + token;
    }

    QVariant BoundList() const {
        QList<FakeShortcut> list;
        for (const CFakePortal::Bound& b : record.bound) {
            if (!triggerTexts.contains(b.strId))
                continue;
            list.append({b.strId,
                         {{QStringLiteral("description"), b.properties.value(QStringLiteral("description"))},
                          {QStringLiteral("trigger_description"), triggerTexts.value(b.strId)}}});
        }
        return QVariant::fromValue(list);
    }

    void Respond(const QString& strRequest, uint nResponse, const QVariantMap& results) {
        QDBusMessage sig =
            QDBusMessage::createSignal(strRequest, QLatin1String(kRequest), QStringLiteral("Response"));
        sig << nResponse << results;
        m_bus.send(sig);
    }

    QDBusConnection m_bus;
    qulonglong m_nTime = 0;
    int m_nTokens = 0;
};

namespace {
template <class F> void OnThread(QObject* pContext, F f) {
    QMetaObject::invokeMethod(pContext, f, Qt::BlockingQueuedConnection);
}
} // namespace

CFakePortal::CFakePortal(const QString& strBusAddress) : m_pContext(std::make_unique<QObject>()) {
    m_pContext->moveToThread(&m_thread);
    m_thread.start();
    OnThread(m_pContext.get(), [&] { m_pService = new CFakePortalService(strBusAddress); });
}

CFakePortal::~CFakePortal() {
    OnThread(m_pContext.get(), [this] { delete m_pService; });
    m_thread.quit();
    m_thread.wait();
}

bool CFakePortal::IsServing() const {
    bool b = false;
    OnThread(m_pContext.get(), [&] { b = m_pService->m_bServing; });
    return b;
}

CFakePortal::Record CFakePortal::Recorded() const {
    Record r;
    OnThread(m_pContext.get(), [&] { r = m_pService->record; });
    return r;
}

void CFakePortal::SetBindAnswer(uint nResponse) {
    OnThread(m_pContext.get(), [&] { m_pService->m_nBindAnswer = nResponse; });
}

void CFakePortal::SetTriggers(const QVariantMap& triggers) {
    OnThread(m_pContext.get(), [&] { m_pService->triggerTexts = triggers; });
}

void CFakePortal::Activate(const QString& strId, const QString& strSession) {
    OnThread(m_pContext.get(), [&] { m_pService->Signal("Activated", strId, strSession); });
}

void CFakePortal::Deactivate(const QString& strId, const QString& strSession) {
    OnThread(m_pContext.get(), [&] { m_pService->Signal("Deactivated", strId, strSession); });
}

void CFakePortal::ChangeTriggers(const QVariantMap& triggers) {
    OnThread(m_pContext.get(), [&] { m_pService->ChangeTriggers(triggers); });
}

void CFakePortal::Vanish() {
    OnThread(m_pContext.get(), [&] { m_pService->Vanish(); });
}
