#pragma once

#include "support/fakeservicestest.h"
#include "support/testclock.h"
#include "support/testcore.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace corvane::test {

inline const QString alpha = QStringLiteral("test-key-alpha");
inline const QString positionsPath = QStringLiteral("/v1/bots/positions/");
inline const QString brokersPath = QStringLiteral("/v1/broker_connections");

// The composition root pointed at the fake Orrisfield service, with a clock the test sets.
class EngineRig final {
public:
    EngineRig(fake::FakeServices& fake, const QDateTime& now);
    EngineRig(const EngineRig&) = delete;
    EngineRig& operator=(const EngineRig&) = delete;

    // Stores a verified account with this API key and returns its id.
    QUuid addAccount(const QString& apiKey, bool watched = true);
    bool runPass() { return test::runPass(*core); }
    double total(const QString& brokerNumber) const;

    TestClock clock;
    TestCore core;
    CVNSettings& settings = core->settings();
    ProcessedDataManager& store = core->store();
    StockExchangeStatus& market = core->market();
    GlobalData& globalData = core->globalData();
    RunWatch& runWatch = core->watch();
};

// Answers of the positions endpoint, written as the platform writes them.
struct TestPosition {
    QString bot = QStringLiteral("12");
    QString botName = QStringLiteral("SPX Iron Condor");
    QString broker = QStringLiteral("bc_1"); // empty: "broker_connection": null
    QString status = QStringLiteral("CLOSED");
    // profit_dollars or current_profit, by status; null: absent.
    QString profit = QStringLiteral("0");
    QString enteredAt; // empty: absent
    std::optional<int> daysToExpiration = 0;
};
QByteArray positionJson(const TestPosition& p);
QByteArray positionsAnswer(const QList<QByteArray>& positions);
QByteArray brokersAnswer(const QStringList& numbers);

} // namespace corvane::test
