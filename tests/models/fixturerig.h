#pragma once

#include "engine/processeddatamanager.h"
#include "market/stockexchangestatus.h"
#include "settings/settings.h"
#include "support/tempsuite.h"
#include "support/testclock.h"

#include <QDate>
#include <QString>
#include <QUuid>

namespace corvane::test {

// Stores and results as a pass over the fake Orrisfield's fixture accounts leaves them: each
// fixture's positions tallied by the engine's own rules for one trading day, its broker
// connections' values and expiry copied in, and the account stored verified and watched with
// the brokers the platform reports.
class FixtureRig final {
public:
    // Tuesday 2026-12-01, 14:07 in New York: the market is open.
    FixtureRig();
    FixtureRig(const FixtureRig&) = delete;
    FixtureRig& operator=(const FixtureRig&) = delete;

    // Returns the account's id; the store's registrations are applied before it returns.
    QUuid addFixtureAccount(const QString& apiKey);

    TestClock clock;
    TempSuite suite;
    CVNSettings settings{suite.suite()};
    ProcessedDataManager store{settings};
    StockExchangeStatus market{clock.clock()};
};

} // namespace corvane::test
