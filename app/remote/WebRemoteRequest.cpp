#include "app/remote/WebRemoteRequest.h"

namespace {

const QByteArray kHeadEnd = QByteArrayLiteral("\r\n\r\n");

bool IsToken(const QByteArray& s) {
    if (s.isEmpty())
        return false;
    for (const char c : s)
        if (c <= ' ' || c >= 127 || c == ':' || c == '(' || c == ')' || c == ',' || c == ';')
            return false;
    return true;
}

QByteArray StatusText(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 413:
        return "Payload Too Large";
    case 429:
        return "Too Many Requests";
    case 503:
        return "Service Unavailable";
    default:
        return "Error";
    }
}

} // namespace

WebRemoteRequest::Parse WebRemoteRequest::ReadHead(const QByteArray& bytes) {
    const qsizetype end = bytes.indexOf(kHeadEnd);
    if (end < 0)
        return bytes.size() > kMaxBytes ? Parse::TooLarge : Parse::Incomplete;
    if (end + kHeadEnd.size() > kMaxBytes)
        return Parse::TooLarge;
    headBytes = end + kHeadEnd.size();
    const QList<QByteArray> lines = bytes.left(end).split('\n');
    if (lines.size() > kMaxHeaders + 1)
        return Parse::Bad;
    const QList<QByteArray> first = lines.front().trimmed().split(' ');
    if (first.size() != 3 || !IsToken(first[0]) || !first[1].startsWith('/') ||
        !first[2].startsWith("HTTP/1."))
        return Parse::Bad;
    method = first[0];
    const qsizetype q = first[1].indexOf('?');
    path = q < 0 ? first[1] : first[1].left(q);
    query = q < 0 ? QByteArray() : first[1].mid(q + 1);
    headers.clear();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].endsWith('\r') ? lines[i].chopped(1) : lines[i];
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0 || !IsToken(line.left(colon)))
            return Parse::Bad;
        headers.append({line.left(colon).toLower(), line.mid(colon + 1).trimmed()});
    }
    bodyBytes = 0;
    if (!Header("transfer-encoding").isEmpty())
        return Parse::Bad; // no chunked bodies: the page never sends them
    const QByteArray length = Header("content-length");
    if (!length.isEmpty()) {
        bool ok = false;
        const qlonglong n = length.toLongLong(&ok);
        if (!ok || n < 0)
            return Parse::Bad;
        if (n > kMaxBytes - headBytes)
            return Parse::TooLarge;
        bodyBytes = static_cast<qsizetype>(n);
    }
    return Parse::Done;
}

QByteArray WebRemoteRequest::Header(const QByteArray& name) const {
    for (const auto& h : headers)
        if (h.first == name)
            return h.second;
    return {};
}

QByteArray WebRemoteRequest::Cookie(const QByteArray& name) const {
    for (const auto& h : headers) {
        if (h.first != "cookie")
            continue;
        for (const QByteArray& part : h.second.split(';')) {
            const QByteArray p = part.trimmed();
            if (p.startsWith(name + '='))
                return p.mid(name.size() + 1);
        }
    }
    return {};
}

bool WebRemoteRequest::IsWebSocketUpgrade() const {
    return method == "GET" && Header("upgrade").toLower() == "websocket" &&
           Header("connection").toLower().contains("upgrade");
}

QByteArray WebRemoteRequest::Response(int status, const QByteArray& contentType, const QByteArray& body,
                                      const QByteArray& extraHeaders) {
    QByteArray r = "HTTP/1.1 " + QByteArray::number(status) + ' ' + StatusText(status) + "\r\n";
    r += "Content-Type: " + contentType + "\r\n";
    r += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    r += "Cache-Control: no-store\r\nX-Content-Type-Options: nosniff\r\nX-Frame-Options: DENY\r\n";
    r += "Connection: close\r\n";
    r += extraHeaders;
    r += "\r\n";
    r += body;
    return r;
}
