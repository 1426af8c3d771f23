#pragma once

#include <QUrl>
#include <chrono>

class QNetworkAccessManager;

namespace corvane {

// Where and how the Orrisfield fetchers send their requests: the application's one network
// manager and the platform API's base URL, or in tests the fake service and a short time-out.
struct PlatformConnection {
    QNetworkAccessManager* network = nullptr;
    QUrl baseUrl;
    std::chrono::milliseconds timeout{60'000};
    // A body larger than this is refused while it is read, so a runaway answer never fills
    // the memory.
    qint64 maxBodyBytes = 32 * 1024 * 1024;
};

} // namespace corvane
