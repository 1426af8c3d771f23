#include "fetchrig.h"

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

void FetchRig::init()
{
    FakeServicesTest::init();
    m_globalData.setCriticalError(std::nullopt);
    m_globalData.setInternetError(std::nullopt);
    m_globalData.updateHasError();
}

} // namespace corvane::test
