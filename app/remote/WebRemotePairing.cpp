#include "app/remote/WebRemotePairing.h"

#include <QRandomGenerator>

#include <algorithm>

CWebRemotePairing::CWebRemotePairing(bool bPairLocal) : m_bPairLocal(bPairLocal) {
    NewCode();
}

bool CWebRemotePairing::IsLocal(const QHostAddress& peer) {
    bool v4 = false;
    const quint32 mapped = peer.toIPv4Address(&v4);
    if (v4)
        return QHostAddress(mapped).isLoopback();
    return peer.isLoopback();
}

bool CWebRemotePairing::NeedsToken(const QHostAddress& peer) const {
    return m_bPairLocal || !IsLocal(peer);
}

bool CWebRemotePairing::IsValidToken(const QByteArray& token) const {
    if (token.size() != 2 * kTokenBytes)
        return false;
    const std::lock_guard lock(m_mutex);
    return m_tokens.count(token) > 0;
}

void CWebRemotePairing::Forget(std::deque<Clock::time_point>& tries, Clock::time_point now) {
    while (!tries.empty() && now - tries.front() >= kWindow)
        tries.pop_front();
}

CWebRemotePairing::Result CWebRemotePairing::Pair(const QHostAddress& peer, const QString& code,
                                                  QByteArray* pToken, Clock::time_point now) {
    const std::lock_guard lock(m_mutex);
    const QString who = peer.toString();
    Forget(m_wrong, now);
    auto& mine = m_wrongBy[who];
    Forget(mine, now);
    // Refused before the code is even compared: a right guess after the limit must not count.
    if (static_cast<int>(mine.size()) >= kWrongPerAddress || static_cast<int>(m_wrong.size()) >= kWrongInAll)
        return Result::TooManyTries;
    if (code.trimmed() != m_strCode) {
        mine.push_back(now);
        m_wrong.push_back(now);
        if (m_wrongBy.size() > kMaxAddresses) {
            for (auto it = m_wrongBy.begin(); it != m_wrongBy.end();) {
                Forget(it->second, now);
                it = it->second.empty() ? m_wrongBy.erase(it) : std::next(it);
            }
        }
        return Result::WrongCode;
    }
    const QByteArray token = NewToken();
    m_tokens.insert(token);
    m_tokenOrder.push_back(token);
    if (m_tokenOrder.size() > kMaxTokens) {
        m_tokens.erase(m_tokenOrder.front());
        m_tokenOrder.pop_front();
    }
    if (pToken)
        *pToken = token;
    NewCode();
    return Result::Paired;
}

QString CWebRemotePairing::Code() const {
    const std::lock_guard lock(m_mutex);
    return m_strCode;
}

void CWebRemotePairing::RevokeAll() {
    const std::lock_guard lock(m_mutex);
    m_tokens.clear();
    m_tokenOrder.clear();
    NewCode();
}

std::size_t CWebRemotePairing::TokenCount() const {
    const std::lock_guard lock(m_mutex);
    return m_tokens.size();
}

// Under m_mutex (or in the constructor).
void CWebRemotePairing::NewCode() {
    constexpr quint32 kCodes = 1000000;
    m_strCode = QStringLiteral("%1").arg(QRandomGenerator::system()->bounded(kCodes), kCodeDigits, 10,
                                         QLatin1Char('0'));
}

QByteArray CWebRemotePairing::NewToken() {
    QByteArray bytes(kTokenBytes, Qt::Uninitialized);
    QRandomGenerator::system()->generate(bytes.begin(), bytes.end());
    return bytes.toHex();
}
