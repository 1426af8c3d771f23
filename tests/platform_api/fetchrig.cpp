#include "fetchrig.h"

#include <QTest>

namespace corvane::test {

PlatformConnection FetchRig::connection(std::chrono::milliseconds timeout)
{
    return PlatformConnection{&m_network, m_fake.apiUrl(), timeout};
}

std::optional<ApiResponse> FetchRig::fetchPositions(const QString& apiKey, PlatformConnection c)
{
    APIService service(c, m_clock.clock());
    m_globalData.follow(service);
    m_market.updateLastOpenDate();
    return QCoro::waitFor(service.fetchPositions(apiKey, m_market.lastOpenDate()));
}

void FetchRig::initTestCase()
{
    QVERIFY2(m_fake.start(), qPrintable(m_fake.errorString()));
    m_fake.trustInProcess();
}

void FetchRig::init()
{
    m_fake.clearRequests();
    m_fake.clearFaults();
    m_fake.clearAnswers();
    m_globalData.setCriticalError(std::nullopt);
    m_globalData.setInternetError(std::nullopt);
    m_globalData.updateHasError();
}

} // namespace corvane::test
