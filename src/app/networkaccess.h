#pragma once

#include <QNetworkAccessManager>

namespace corvane {

// The process's network manager. Reading the extra trusted roots brings in the whole TLS
// stack (several megabytes and tens of milliseconds), so it happens on the first request
// rather than at start-up, which may not need the network at all.
class NetworkAccess final : public QNetworkAccessManager {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NetworkAccess)

public:
    using QNetworkAccessManager::QNetworkAccessManager;

protected:
    QNetworkReply* createRequest(Operation operation, const QNetworkRequest& request,
                                 QIODevice* outgoingData) override;
};

} // namespace corvane
