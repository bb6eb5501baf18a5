#pragma once

#include "app/settings/Option.h"

#include <QString>
#include <QStringList>

#include <vector>

// The backup link: section "Mirror" of Padora.INI. On the main machine Peers lists the backups
// ("host:port", comma or blank separated) that are sent every operator action; on a backup Main names
// the machine it takes them from ("host" or "host:port"; without a port any port of that host). Port is
// the link's own UDP port on this machine: a backup listens on it, the main sends from it and hears the
// backups' heartbeats there. PADORA_MIRROR_PEERS, PADORA_MIRROR_MAIN and PADORA_MIRROR_PORT stand in for
// the keys when set (tests run two Padoras on one machine).
class CMirrorSettings {
public:
    static constexpr int kDefaultPort = 7771;

    struct Address {
        QString strHost;
        int nPort = 0; // 0: not given
        bool operator==(const Address&) const = default;
    };

    std::vector<Address> peers;
    Address main; // strHost empty: this machine is no backup
    int nPort = kDefaultPort;
    QStringList errors; // one line for each entry that could not be read (it is left out)

    bool IsMain() const { return !peers.empty(); }
    bool IsBackup() const { return !main.strHost.isEmpty(); }

    // Reads the section and the environment. UI thread.
    static CMirrorSettings Load(const CSettingsFile& settings);
    // The same from the values as written (tests).
    static CMirrorSettings FromValues(const QString& peers, const QString& main, const QString& port);
    // "host" or "host:port" (a name or an IPv4 address: the link is IPv4); false when it is neither or
    // the port is not 1 to 65535.
    static bool ParseAddress(const QString& text, Address* out);
};
