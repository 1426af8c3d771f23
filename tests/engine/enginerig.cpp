#include "enginerig.h"

#include "settings/accountsettings.h"

namespace corvane::test {

EngineRig::EngineRig(fake::FakeServices& fake, const QDateTime& now)
    : clock(now)
    , core(clock.clock(), [&fake](CoreConfig& config) { config.platformApiUrl = fake.apiUrl(); })
{}

QUuid EngineRig::addAccount(const QString& apiKey, bool watched)
{
    AccountSettings account = AccountSettings::newAccount();
    account.apiKey = apiKey;
    account.watchAccount = watched;
    account.keyVerified = true;
    settings.setAccount(account);
    return account.accountName;
}

double EngineRig::total(const QString& brokerNumber) const
{
    const std::shared_ptr<ProcessedData> entry = store.find(brokerNumber);
    return entry && entry->total() ? *entry->total() : qQNaN();
}

QByteArray positionJson(const TestPosition& p)
{
    QByteArray json = "{\"number\":\"pos\",\"status\":\"" + p.status.toUtf8() +
                      "\",\"bot\":{\"name\":\"" + p.botName.toUtf8() + "\",\"number\":\"" +
                      p.bot.toUtf8() + "\"},\"broker_connection\":";
    if (p.broker.isEmpty())
        json += "null";
    else
        json += "{\"broker\":\"Interactive Brokers\",\"name\":\"IB\",\"number\":\"" +
                p.broker.toUtf8() + "\"}";
    // A lower-case "open" still carries its profit where the upper-case one would.
    const bool open = p.status.compare(QStringLiteral("OPEN"), Qt::CaseInsensitive) == 0;
    if (!p.profit.isNull() && (open || p.status == QStringLiteral("CLOSED")))
        json +=
            (open ? ",\"current_profit\":\"" : ",\"profit_dollars\":\"") + p.profit.toUtf8() + "\"";
    if (!p.enteredAt.isEmpty())
        json += ",\"entered_at\":\"" + p.enteredAt.toUtf8() + "\"";
    json += ",\"legs\":[{\"quantity\":1";
    if (p.daysToExpiration)
        json += ",\"days_to_expiration\":" + QByteArray::number(*p.daysToExpiration);
    json += "}]}";
    return json;
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
