#include "networkaccess.h"

#include "base/endpoints.h"

namespace corvane {

QNetworkReply* NetworkAccess::createRequest(Operation operation, const QNetworkRequest& request,
                                            QIODevice* outgoingData)
{
    // The request takes its TLS settings from the default configuration only now, so roots
    // added here still apply to it.
    installExtraCertificateAuthorities();
    return QNetworkAccessManager::createRequest(operation, request, outgoingData);
}

} // namespace corvane
