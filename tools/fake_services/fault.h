#pragma once

#include <QString>
#include <QtGlobal>

namespace corvane::fake {

// What is wrong with the certificate the services present; trusted or not is the client's
// business (trustInProcess, CORVANE_EXTRA_CA_FILE).
enum class TlsFault {
    None,
    WrongHost, // made out to "wrong.invalid" instead of 127.0.0.1 and localhost
    Expired,   // valid for January 2020 only
};

// What goes wrong with the answer to a path, as a client on the other end would see it.
struct Fault {
    enum class Kind {
        none, // the normal answer (with status and delay below, if set)
        // The connection is cut before any answer. QNetworkAccessManager silently re-sends a
        // request whose kept-alive connection was cut, as it would with the real service, so
        // make a drop sticky when the client itself must see the failure.
        drop,
        garbage,   // a 200-ish answer whose body is not JSON
        truncated, // a Content-Length larger than what is sent, then the connection closes
        oversized, // a huge body streamed in chunks
        redirect,  // "307 Temporary Redirect" to location
        silent,    // the request is read and never answered; the connection stays open
    };

    QString path; // exact path, or a prefix when it ends with "*"
    Kind kind = Kind::none;
    int status = 0;      // replaces the answer's status when non-zero
    int delayMs = 0;     // the answer (or the drop) comes this late
    bool sticky = false; // false: applies to the next matching request only
    qint64 oversizedBytes = 40LL * 1024 * 1024;
    QByteArray location = {}; // for Redirect

    bool matches(const QString& requestPath) const
    {
        if (path.endsWith(u'*'))
            return requestPath.startsWith(path.chopped(1));
        return requestPath == path;
    }
};

} // namespace corvane::fake
