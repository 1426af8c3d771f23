#pragma once

#include "botrecords.h"
#include "network.h"

#include <QObject>
#include <optional>
#include <qcoro/qcorotask.h>

namespace corvane {

class GlobalData;

// Fetches an account's bots ("/v1/bots"); the accounts view uses it to verify an API key. A
// failure sets criticalError to "Error fetching data: " and the description; a decoded answer
// is returned whatever its success flag and leaves GlobalData alone.
class BotAPIService final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BotAPIService)
    Q_PROPERTY(QList<BotModel> data READ data NOTIFY dataChanged)

public:
    BotAPIService(PlatformConnection connection, GlobalData& globalData, QObject* parent = nullptr);

    QCoro::Task<std::optional<BotModel>> fetchBots(QString apiKey);

    // Published for the views; the fetch never fills it.
    const QList<BotModel>& data() const { return m_data; }

Q_SIGNALS:
    void dataChanged();

private:
    void fail(const QString& description);

    PlatformConnection m_connection;
    GlobalData& m_globalData;
    QList<BotModel> m_data;
};

} // namespace corvane
