#include "historyworker.h"

namespace corvane {

HistoryWorker::HistoryWorker(const QString& path)
    : m_path(path)
{
    // One thread that never retires, so every task finds the connection's own thread.
    m_pool.setMaxThreadCount(1);
    m_pool.setExpiryTimeout(-1);
}

HistoryStore& HistoryWorker::store()
{
    if (!m_store)
        m_store = std::make_unique<HistoryStore>(m_path);
    return *m_store;
}

HistoryWorker::~HistoryWorker()
{
    m_pool.waitForDone();
    if (!m_store)
        return;
    m_pool.start([this] { m_store.reset(); });
    m_pool.waitForDone();
}

} // namespace corvane
