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

// The composition root pointed at the fake Orrisfield service, with a verified, watched account
// for each key, and a clock the test sets (at first Tuesday 2024-06-18, 14:07 in New York).
class EngineRig final {
public:
    explicit EngineRig(fake::FakeServices& fake, const QStringList& keys = {},
                       const QDateTime& now = newYork(2024, 6, 18, 14, 7));
    EngineRig(const EngineRig&) = delete;
    EngineRig& operator=(const EngineRig&) = delete;

    // Stores a verified account with this API key and returns its id.
    QUuid addAccount(const QString& apiKey, bool watched = true)
    {
        return addVerifiedAccount(settings, apiKey, watched);
    }
    bool runPass() { return test::runPass(*core); }
    double total(const QString& brokerNumber) const;

    TestClock clock;
    TestCore core;
    CVNSettings& settings = core->settings();
    ProcessedDataManager& store = core->store();
    GlobalData& globalData = core->globalData();
    RunWatch& runWatch = core->watch();
};

// A position as the platform writes it, of the bot "SPX Iron Condor": the profit as
// profit_dollars or current_profit by status (null: absent), the first leg's days to expiration
// (empty: absent); no entry time or no broker connection when those are empty.
QByteArray positionJson(const char* bot, const char* status, const char* profit,
                        const QString& enteredAt, std::optional<int> daysToExpiration = 0,
                        const QString& broker = QStringLiteral("bc_1"));
QByteArray positionsAnswer(const QList<QByteArray>& positions);
QByteArray brokersAnswer(const QStringList& numbers);

} // namespace corvane::test
