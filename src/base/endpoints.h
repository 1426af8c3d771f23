#pragma once

#include <QString>
#include <QUrl>

namespace corvane {

// The services Corvane talks to. Each has a default for the real service and an
// environment variable that overrides it for local runs and tests.
enum class Endpoint {
    platformApi,    // CORVANE_PLATFORM_API_URL
    platformWeb,    // CORVANE_PLATFORM_WEB_URL
    pushoverApi,    // CORVANE_PUSHOVER_API_URL
    pushoverSocket, // CORVANE_PUSHOVER_SOCKET_URL
    updateFeed,     // CORVANE_UPDATE_FEED_URL
};

// The base URL of an endpoint, without a trailing slash. An override that is not a secure
// URL (https, wss) is accepted only for a loopback host; otherwise the default stands and a
// line is logged, so an API key never travels in clear text.
QUrl endpointUrl(Endpoint endpoint);

// Whether a URL may carry credentials: https/wss anywhere, http/ws only to loopback.
bool isSafeForCredentials(const QUrl& url);

// Adds the PEM roots named by CORVANE_EXTRA_CA_FILE to the process's default TLS
// configuration, once. Called before the first request and the first socket.
void installExtraCertificateAuthorities();

} // namespace corvane
