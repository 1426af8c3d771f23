#include "historyworker.h"

namespace corvane {

HistoryWorker::HistoryWorker(const QString& path)
{
    // One thread that never retires, so every task finds the connection's own thread.
    m_pool.setMaxThreadCount(1);
    m_pool.setExpiryTimeout(-1);
    m_pool.start([this, path] { m_store = std::make_unique<HistoryStore>(path); });
}

HistoryWorker::~HistoryWorker()
{
    m_pool.start([this] { m_store.reset(); });
    m_pool.waitForDone();
}

} // namespace corvane
