#pragma once

#include "app/globaldata.h"
#include "market/stockexchangestatus.h"
#include "platform_api/apiservice.h"
#include "support/fakeservicestest.h"
#include "support/testclock.h"

#include <QNetworkAccessManager>

namespace corvane::test {

inline const QString alpha = QStringLiteral("test-key-alpha");
inline const QString positionsPath = QStringLiteral("/v1/bots/positions/");
inline const QString timeoutText = QStringLiteral(
    "The request to Orrisfield timed out. Will retry based on your frequency setting.");

// The fake Orrisfield service, a clock the test sets and the fetchers' shared state; every test
// starts with no answers, faults, requests or error texts.
class FetchRig : public FakeServicesTest {
    Q_OBJECT

protected:
    TestClock m_clock{newYork(2024, 6, 18, 11, 0)};
    StockExchangeStatus m_market{m_clock.clock()};
    GlobalData m_globalData;
    QNetworkAccessManager m_network;

    PlatformConnection connection(std::chrono::milliseconds timeout = std::chrono::seconds(20));
    std::optional<ApiResponse> fetchPositions(const QString& apiKey, PlatformConnection c);

protected Q_SLOTS:
    void init();
};

} // namespace corvane::test
