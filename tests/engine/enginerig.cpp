#include "enginerig.h"

#include "fakeservices.h"
#include "settings/accountsettings.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

namespace corvane::test {

EngineRig::EngineRig(fake::FakeServices& fake, const QDateTime& now)
    : clock(now)
    , runWatch(RunWatch::Services{
          &settings, &store, &market, &globalData,
          PlatformConnection{&network, fake.apiUrl(), std::chrono::seconds(20)}, clock.clock()})
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

bool EngineRig::runPass()
{
    runWatch.manualStart();
    QDeadlineTimer deadline(30'000);
    while (runWatch.isPassRunning() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    // Registrations of new entries are queued behind the pass.
    QCoreApplication::processEvents();
    return !runWatch.isPassRunning();
}

double EngineRig::total(const QString& brokerNumber) const
{
    const std::shared_ptr<ProcessedData> entry = store.find(brokerNumber);
    return entry && entry->total() ? *entry->total() : qQNaN();
}

QByteArray positionJson(const PositionSpec& spec)
{
    QByteArray json = "{\"number\":\"pos\",\"status\":\"" + spec.status.toUtf8() +
                      "\",\"bot\":{\"name\":\"" + spec.botName.toUtf8() + "\",\"number\":\"" +
                      spec.bot.toUtf8() + "\"},\"broker_connection\":";
    if (spec.broker.isEmpty())
        json += "null";
    else
        json += "{\"broker\":\"Interactive Brokers\",\"name\":\"IB\",\"number\":\"" +
                spec.broker.toUtf8() + "\"}";
    if (spec.status == QStringLiteral("CLOSED"))
        json += ",\"profit_dollars\":\"" + spec.profit.toUtf8() + "\"";
    else if (spec.status == QStringLiteral("OPEN"))
        json += ",\"current_profit\":\"" + spec.profit.toUtf8() + "\"";
    if (!spec.enteredAt.isEmpty())
        json += ",\"entered_at\":\"" + spec.enteredAt.toUtf8() + "\"";
    json += ",\"legs\":[{\"quantity\":1";
    if (spec.daysToExpiration)
        json += ",\"days_to_expiration\":" + QByteArray::number(*spec.daysToExpiration);
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
