#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QString>

#include <chrono>
#include <deque>
#include <map>
#include <mutex>
#include <set>

// Who may use the browser remote. A browser on this machine needs nothing (unless local browsers are
// asked too); any other must first enter the six-digit code the window shows and then holds a token
// until the operator revokes them all. Wrong codes are limited per address and in all, so that the
// million codes cannot be tried out. Any thread: the server's thread checks, the UI thread shows the
// code and revokes.
class CWebRemotePairing {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int kCodeDigits = 6;
    static constexpr int kTokenBytes = 32;
    static constexpr int kWrongPerAddress = 5; // wrong codes an address may enter in a window
    static constexpr int kWrongInAll = 30;     // wrong codes all addresses together may enter
    static constexpr std::chrono::seconds kWindow{60};
    static constexpr std::size_t kMaxTokens = 256;     // the oldest paired browser is forgotten beyond it
    static constexpr std::size_t kMaxAddresses = 1024; // addresses whose wrong codes are remembered

    enum class Result { Paired, WrongCode, TooManyTries };

    explicit CWebRemotePairing(bool bPairLocal = false);

    // Whether a browser at peer must show a token.
    bool NeedsToken(const QHostAddress& peer) const;
    // Whether token (as the cookie holds it) was given out and not revoked.
    bool IsValidToken(const QByteArray& token) const;
    // A code entered from peer. Paired: *pToken is the browser's token, and a new code is shown for
    // the next browser.
    Result Pair(const QHostAddress& peer, const QString& code, QByteArray* pToken, Clock::time_point now);
    Result Pair(const QHostAddress& peer, const QString& code, QByteArray* pToken) {
        return Pair(peer, code, pToken, Clock::now());
    }
    // The code a browser must enter now.
    QString Code() const;
    // Every browser must pair again; a new code.
    void RevokeAll();
    std::size_t TokenCount() const;

    // Whether peer is this machine (v4-mapped v6 addresses included).
    static bool IsLocal(const QHostAddress& peer);

private:
    void NewCode();
    static QByteArray NewToken();
    static void Forget(std::deque<Clock::time_point>& tries, Clock::time_point now);

    const bool m_bPairLocal;
    mutable std::mutex m_mutex;
    QString m_strCode;
    std::set<QByteArray> m_tokens;
    std::deque<QByteArray> m_tokenOrder;
    std::map<QString, std::deque<Clock::time_point>> m_wrongBy;
    std::deque<Clock::time_point> m_wrong;
};
