#include "testcore.h"

namespace corvane::test {

TestCore::TestCore(Clock clock, const std::function<void(CoreConfig&)>& adjust)
{
    CoreConfig config;
    config.suitePath = m_folder.filePath(QStringLiteral("CVNSuite.conf"));
    config.clock = std::move(clock);
    config.platformTimeout = std::chrono::seconds(20);
    if (adjust)
        adjust(config);
    m_core = std::make_unique<Core>(std::move(config));
}

} // namespace corvane::test
