#pragma once

#include <QUrl>
#include <chrono>

class QNetworkAccessManager;

namespace corvane {

// The one network access manager of the process. It trusts the extra roots named by
// CORVANE_EXTRA_CA_FILE, installed before it is first handed out.
QNetworkAccessManager& sharedNetworkAccessManager();

// Where and how the Orrisfield fetchers send their requests. Tests build their own (the fake
// service's URL, a short time-out); the application uses defaults().
struct PlatformConnection {
    QNetworkAccessManager* network = nullptr;
    QUrl baseUrl;
    std::chrono::milliseconds timeout{60'000};
    // A body larger than this is refused while it is read, so a runaway answer never fills
    // the memory.
    qint64 maxBodyBytes = 32 * 1024 * 1024;

    // The shared manager, the platform API base URL (env override included), 60 s.
    static PlatformConnection defaults();
};

} // namespace corvane
