#pragma once

#include "fakeservices.h"
#include "support/testclock.h"
#include "support/testcore.h"

#include <QString>
#include <QTemporaryDir>
#include <QUuid>

namespace corvane::test {

// The root against the fake Orrisfield's fixture accounts, on Tuesday 2026-12-01 at 14:07 in
// New York, with the market open, keeping its history in a folder of its own. An account is added
// as a user adds one: its key verified, which loads its broker connections, and then synced.
class FixtureRig final {
public:
    FixtureRig();

    // Returns the account's id once its pass has ended.
    QUuid addFixtureAccount(const QString& apiKey);

    fake::FakeServices fake;
    TestClock clock{newYork(2026, 12, 1, 14, 7)};
    QTemporaryDir historyFolder;
    TestCore core;
    CVNSettings& settings{core->settings()};
    ProcessedDataManager& store{core->store()};
    StockExchangeStatus& market{core->market()};
};

} // namespace corvane::test
