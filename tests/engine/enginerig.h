#pragma once

#include "app/globaldata.h"
#include "engine/processeddatamanager.h"
#include "engine/runwatch.h"
#include "market/stockexchangestatus.h"
#include "settings/settings.h"
#include "support/tempsuite.h"
#include "support/testclock.h"

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QString>
#include <optional>

namespace corvane::fake {
class FakeServices;
}

namespace corvane::test {

// A whole watch engine on private instances, pointed at the fake Orrisfield service, with a
// clock the test sets.
class EngineRig final {
public:
    EngineRig(fake::FakeServices& fake, const QDateTime& now);
    EngineRig(const EngineRig&) = delete;
    EngineRig& operator=(const EngineRig&) = delete;

    // Stores a verified account with this API key and returns its id.
    QUuid addAccount(const QString& apiKey, bool watched = true);
    // Asks for a pass and waits until no pass runs any more.
    bool runPass();
    double total(const QString& brokerNumber) const;

    TestClock clock;
    TempSuite suite;
    CVNSettings settings{suite.suite()};
    ProcessedDataManager store{settings};
    StockExchangeStatus market{clock.clock()};
    GlobalData globalData;
    QNetworkAccessManager network;
    RunWatch runWatch;
};

// Answers of the positions endpoint, written as the platform writes them.
struct TestPosition {
    QString bot = QStringLiteral("12");
    QString botName = QStringLiteral("SPX Iron Condor");
    QString broker = QStringLiteral("bc_1"); // empty: "broker_connection": null
    QString status = QStringLiteral("CLOSED");
    QString profit = QStringLiteral("0"); // profit_dollars or current_profit, by status
    QString enteredAt;                    // empty: absent
    std::optional<int> daysToExpiration = 0;
};
QByteArray positionJson(const TestPosition& p);
QByteArray positionsAnswer(const QList<QByteArray>& positions);
QByteArray brokersAnswer(const QStringList& numbers);

} // namespace corvane::test
