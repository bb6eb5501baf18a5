#include "app/settings/MirrorSettings.h"

#include "platform/Profile.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <algorithm>

namespace {

const QString kSection = QStringLiteral("Mirror");
constexpr int kMaxPort = 65535;

QString Value(const char* env, const platform::CProfileFile& profile, const QString& key) {
    if (qEnvironmentVariableIsSet(env))
        return qEnvironmentVariable(env);
    return profile.GetString(kSection, key, QString());
}

} // namespace

bool CMirrorSettings::ParseAddress(const QString& text, Address* out) {
    const QString t = text.trimmed();
    if (t.count(QLatin1Char(':')) > 1)
        return false; // the link is IPv4
    const QString host = t.section(QLatin1Char(':'), 0, 0);
    static const QRegularExpression hostChars(QStringLiteral("^[A-Za-z0-9._-]+$"));
    if (host.isEmpty() || !hostChars.match(host).hasMatch())
        return false;
    int nPort = 0;
    if (t.contains(QLatin1Char(':'))) {
        bool ok = false;
        nPort = t.section(QLatin1Char(':'), 1).toInt(&ok);
        if (!ok || nPort < 1 || nPort > kMaxPort)
            return false;
    }
    out->strHost = host;
    out->nPort = nPort;
    return true;
}

CMirrorSettings CMirrorSettings::FromValues(const QString& peers, const QString& main, const QString& port) {
    CMirrorSettings s;
    static const QRegularExpression separators(QStringLiteral("[,\\s]+"));
    for (const QString& entry : peers.split(separators, Qt::SkipEmptyParts)) {
        Address a;
        if (!ParseAddress(entry, &a)) {
            s.errors << QCoreApplication::translate("CMirrorSettings", "バックアップの宛先 %1 は使えません")
                            .arg(entry);
            continue;
        }
        if (a.nPort == 0)
            a.nPort = kDefaultPort;
        if (std::find(s.peers.begin(), s.peers.end(), a) == s.peers.end())
            s.peers.push_back(a);
    }
    if (!main.trimmed().isEmpty() && !ParseAddress(main, &s.main))
        s.errors << QCoreApplication::translate("CMirrorSettings", "主機のアドレス %1 は使えません")
                        .arg(main.trimmed());
    if (!port.trimmed().isEmpty()) {
        bool ok = false;
        const int n = port.trimmed().toInt(&ok);
        if (ok && n >= 0 && n <= kMaxPort)
            s.nPort = n;
        else
            s.errors << QCoreApplication::translate("CMirrorSettings",
                                                    "バックアップ連動のポート %1 は使えません")
                            .arg(port.trimmed());
    }
    return s;
}

CMirrorSettings CMirrorSettings::Load(const CSettingsFile& settings) {
    const auto profile = settings.Document();
    return FromValues(Value("PADORA_MIRROR_PEERS", *profile, QStringLiteral("Peers")),
                      Value("PADORA_MIRROR_MAIN", *profile, QStringLiteral("Main")),
                      Value("PADORA_MIRROR_PORT", *profile, QStringLiteral("Port")));
}
