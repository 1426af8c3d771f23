#include "endpoints.h"

#include "log.h"

#include <QHostAddress>
#include <QSslCertificate>
#include <QSslConfiguration>

// The build sets the feed; a build without one does not check for updates.
#ifndef CORVANE_DEFAULT_UPDATE_FEED_URL
#define CORVANE_DEFAULT_UPDATE_FEED_URL ""
#endif

namespace corvane {

namespace {

struct EndpointDefault {
    const char* variable;
    const char* url;
};

EndpointDefault defaultOf(Endpoint endpoint)
{
    switch (endpoint) {
    case Endpoint::platformApi:
        return {"CORVANE_PLATFORM_API_URL", "https://api.orrisfield.com"};
    case Endpoint::platformWeb:
        return {"CORVANE_PLATFORM_WEB_URL", "https://app.orrisfield.com"};
    case Endpoint::pushoverApi:
        return {"CORVANE_PUSHOVER_API_URL", "https://api.pushover.net"};
    case Endpoint::pushoverSocket:
        return {"CORVANE_PUSHOVER_SOCKET_URL", "wss://client.pushover.net/push"};
    case Endpoint::updateFeed:
        return {"CORVANE_UPDATE_FEED_URL", CORVANE_DEFAULT_UPDATE_FEED_URL};
    }
    return {"", ""};
}

bool isLoopback(const QString& host)
{
    if (host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

QUrl withoutTrailingSlash(QUrl url)
{
    QString path = url.path();
    while (path.endsWith(u'/'))
        path.chop(1);
    url.setPath(path);
    return url;
}

} // namespace

bool isSafeForCredentials(const QUrl& url)
{
    if (!url.isValid() || url.host().isEmpty())
        return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == QStringLiteral("https") || scheme == QStringLiteral("wss"))
        return true;
    if (scheme == QStringLiteral("http") || scheme == QStringLiteral("ws"))
        return isLoopback(url.host());
    return false;
}

QUrl endpointUrl(Endpoint endpoint)
{
    const EndpointDefault d = defaultOf(endpoint);
    const QUrl fallback(QString::fromLatin1(d.url));
    const QByteArray override = qgetenv(d.variable);
    if (override.isEmpty())
        return fallback.isEmpty() || isSafeForCredentials(fallback) ? fallback : QUrl();
    const QUrl url(QString::fromUtf8(override));
    if (!isSafeForCredentials(url)) {
        logLine(QStringLiteral("Ignoring %1: only https, wss or a loopback host is allowed.")
                    .arg(QString::fromLatin1(d.variable)));
        return fallback;
    }
    // The socket endpoint is a whole URL (path included); the others are bases.
    return endpoint == Endpoint::pushoverSocket ? url : withoutTrailingSlash(url);
}

void installExtraCertificateAuthorities()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    const QString file = qEnvironmentVariable("CORVANE_EXTRA_CA_FILE");
    if (file.isEmpty())
        return;
    const QList<QSslCertificate> roots = QSslCertificate::fromPath(file, QSsl::Pem);
    if (roots.isEmpty()) {
        logLine(QStringLiteral("No certificates could be read from CORVANE_EXTRA_CA_FILE."));
        return;
    }
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.addCaCertificates(roots);
    QSslConfiguration::setDefaultConfiguration(config);
}

} // namespace corvane
