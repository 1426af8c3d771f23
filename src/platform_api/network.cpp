#include "network.h"

#include "base/endpoints.h"

#include <QNetworkAccessManager>

namespace corvane {

QNetworkAccessManager& sharedNetworkAccessManager()
{
    installExtraCertificateAuthorities();
    static QNetworkAccessManager* manager = new QNetworkAccessManager();
    return *manager;
}

PlatformConnection PlatformConnection::defaults()
{
    PlatformConnection connection;
    connection.network = &sharedNetworkAccessManager();
    connection.baseUrl = endpointUrl(Endpoint::PlatformApi);
    return connection;
}

} // namespace corvane
