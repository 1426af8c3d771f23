#include "enginerig.h"

namespace corvane::test {

EngineRig::EngineRig(fake::FakeServices& fake, const QStringList& keys, const QDateTime& now)
    : clock(now)
    , core(clock.clock(), [&fake](CoreConfig& config) { config.platformApiUrl = fake.apiUrl(); })
{
    for (const QString& key : keys)
        addAccount(key);
}

double EngineRig::total(const QString& brokerNumber) const
{
    const std::shared_ptr<ProcessedData> entry = store.find(brokerNumber);
    return entry && entry->total() ? *entry->total() : qQNaN();
}

QByteArray positionJson(const char* bot, const char* status, const char* profit,
                        const QString& enteredAt, std::optional<int> daysToExpiration,
                        const QString& broker)
{
    QByteArray json = QByteArray(R"({"number":"pos","status":")") + status +
                      R"(","bot":{"name":"SPX Iron Condor","number":")" + bot +
                      R"("},"broker_connection":)";
    if (broker.isEmpty())
        json += "null";
    else
        json +=
            R"({"broker":"Interactive Brokers","name":"IB","number":")" + broker.toUtf8() + R"("})";
    // A lower-case "open" still carries its profit where the upper-case one would.
    const bool open = qstricmp(status, "OPEN") == 0;
    if (profit && (open || qstrcmp(status, "CLOSED") == 0))
        json +=
            (open ? R"(,"current_profit":")" : R"(,"profit_dollars":")") + QByteArray(profit) + '"';
    if (!enteredAt.isEmpty())
        json += R"(,"entered_at":")" + enteredAt.toUtf8() + '"';
    json += R"(,"legs":[{"quantity":1)";
    if (daysToExpiration)
        json += R"(,"days_to_expiration":)" + QByteArray::number(*daysToExpiration);
    return json + "}]}";
}

QByteArray positionsAnswer(const QList<QByteArray>& positions)
{
    return "{\"success\":true,\"message\":\"\",\"data\":[" + positions.join(',') + "]}";
}

QByteArray brokersAnswer(const QStringList& numbers)
{
    QList<QByteArray> items;
    for (const QString& number : numbers)
        items << "{\"broker\":\"Interactive Brokers\",\"number\":\"" + number.toUtf8() +
                     "\",\"status\":\"Active\",\"net_liquidation_value\":\"NLV " + number.toUtf8() +
                     "\",\"expires_at\":\"exp " + number.toUtf8() + "\"}";
    return "{\"success\":true,\"message\":\"\",\"data\":[" + items.join(',') + "]}";
}

} // namespace corvane::test
