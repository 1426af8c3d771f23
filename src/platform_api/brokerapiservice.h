#pragma once

#include "brokerrecords.h"
#include "network.h"

#include <QObject>
#include <optional>
#include <qcoro/qcorotask.h>

namespace corvane {

// Fetches an account's broker connections ("/v1/broker_connections"). A failure is logged
// and leaves both GlobalData and the published list alone; a decoded answer replaces the
// list, whatever its success flag.
class BrokerAPIService final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BrokerAPIService)
    Q_PROPERTY(QList<BrokerAccount> data READ data NOTIFY dataChanged)

public:
    explicit BrokerAPIService(PlatformConnection connection, QObject* parent = nullptr);

    QCoro::Task<std::optional<BrokerResponse>> fetchBrokerConnections(QString apiKey);

    const QList<BrokerAccount>& data() const { return m_data; }

Q_SIGNALS:
    void dataChanged();

private:
    PlatformConnection m_connection;
    QList<BrokerAccount> m_data;
};

} // namespace corvane
