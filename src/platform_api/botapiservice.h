#pragma once

#include "botrecords.h"
#include "network.h"

#include <QObject>
#include <optional>
#include <qcoro/qcorotask.h>

namespace corvane {

// Fetches an account's bots ("/v1/bots"); the accounts view uses it to verify an API key. A
// failure reports the critical error "Error fetching data: " and the description; a decoded
// answer is returned whatever its success flag and reports nothing.
class BotAPIService final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BotAPIService)
    Q_PROPERTY(QList<BotModel> data READ data NOTIFY dataChanged)

public:
    explicit BotAPIService(PlatformConnection connection, QObject* parent = nullptr);

    QCoro::Task<std::optional<BotModel>> fetchBots(QString apiKey);

    // Published for the views; the fetch never fills it.
    const QList<BotModel>& data() const { return m_data; }

Q_SIGNALS:
    void dataChanged();
    void criticalErrorReported(const QString& text);

private:
    void fail(const QString& description);

    PlatformConnection m_connection;
    QList<BotModel> m_data;
};

} // namespace corvane
