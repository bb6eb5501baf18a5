#pragma once

#include <QMutex>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QThread>
#include <QVariantMap>

#include <memory>
#include <vector>

// A D-Bus session bus of the test's own: a dbus-daemon on a socket in a temporary folder, stopped when
// the object goes (also when the test fails). Address() is empty when it could not be started.
class CPrivateSessionBus {
public:
    CPrivateSessionBus();
    ~CPrivateSessionBus();
    CPrivateSessionBus(const CPrivateSessionBus&) = delete;
    CPrivateSessionBus& operator=(const CPrivateSessionBus&) = delete;

    const QString& Address() const { return m_strAddress; }

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_strAddress;
};

class CFakePortalService;

// A stand-in for the desktop portal's GlobalShortcuts interface on a bus, served from a thread of its
// own (so that the client's blocking calls are answered): sessions, request objects answering through
// their Response signal at the path the caller's handle_token names, the bound shortcuts, and the
// Activated / Deactivated / ShortcutsChanged signals on demand. The test thread drives it through the
// methods here, each of which waits until the service thread has done it.
class CFakePortal {
public:
    struct Bound {
        QString strId;
        QVariantMap properties; // description, preferred_trigger as the client sent them
    };
    struct Record {
        std::vector<Bound> bound;
        QStringList requestPaths;   // the request objects answered, in order
        QStringList tokenlessCalls; // methods called without a handle_token
        QString strSession;
        QString strClient; // the client's unique name
        int nClosed = 0;   // Session.Close calls
    };

    explicit CFakePortal(const QString& strBusAddress);
    ~CFakePortal();
    CFakePortal(const CFakePortal&) = delete;
    CFakePortal& operator=(const CFakePortal&) = delete;

    bool IsServing() const;
    Record Recorded() const;
    // The answer to BindShortcuts (0 granted, 1 cancelled, 2 failed) and the trigger descriptions it
    // and ListShortcuts give (id -> text; roles left out are not bound).
    void SetBindAnswer(uint nResponse);
    void SetTriggers(const QVariantMap& triggers);

    void Activate(const QString& strId, const QString& strSession = {});
    void Deactivate(const QString& strId, const QString& strSession = {});
    void ChangeTriggers(const QVariantMap& triggers);
    // The service leaves the bus (its name owner is lost).
    void Vanish();

private:
    QThread m_thread;
    std::unique_ptr<QObject> m_pContext;      // lives on m_thread: what the calls run on
    CFakePortalService* m_pService = nullptr; // lives on m_thread; deleted there
};
