#include "enginerig.h"

#include "settings/accountsettings.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTest>

namespace corvane::test {

int EngineTest::requestCount(const QString& path) const
{
    int n = 0;
    for (const fake::HttpRequest& r : m_fake.requests())
        n += r.path == path;
    return n;
}

void EngineTest::initTestCase()
{
    QVERIFY2(m_fake.start(), qPrintable(m_fake.errorString()));
    m_fake.trustInProcess();
}

void EngineTest::init()
{
    m_fake.clearAnswers();
    m_fake.clearFaults();
    m_fake.clearRequests();
}

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
    if (p.status == QStringLiteral("CLOSED"))
        json += ",\"profit_dollars\":\"" + p.profit.toUtf8() + "\"";
    else if (p.status == QStringLiteral("OPEN"))
        json += ",\"current_profit\":\"" + p.profit.toUtf8() + "\"";
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
