#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>

// One HTTP request as the browser remote reads it: the head first (peeked until it is whole, so
// that a WebSocket upgrade can be handed on untouched), then a body of at most kMaxBytes in all.
// Plain data; any thread.
struct WebRemoteRequest {
    static constexpr qsizetype kMaxBytes = 64 * 1024;
    static constexpr int kMaxHeaders = 100;

    enum class Parse {
        Incomplete, // the head has not ended yet
        Done,       // the head is read; bodyBytes tells how much body follows
        Bad,        // not a request this server takes: 400
        TooLarge,   // head or body over kMaxBytes: 413
    };

    QByteArray method;
    QByteArray path; // without the query
    QByteArray query;
    QList<QPair<QByteArray, QByteArray>> headers; // names in lower case
    qsizetype headBytes = 0;
    qsizetype bodyBytes = 0;

    // Reads the head from the bytes that arrived so far.
    Parse ReadHead(const QByteArray& bytes);
    // The first header called name (lower case), or empty.
    QByteArray Header(const QByteArray& name) const;
    // The value of cookie name, or empty.
    QByteArray Cookie(const QByteArray& name) const;
    bool IsWebSocketUpgrade() const;

    // A whole response that closes the connection.
    static QByteArray Response(int status, const QByteArray& contentType, const QByteArray& body,
                               const QByteArray& extraHeaders = {});
};
