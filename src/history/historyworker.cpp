#include "historyworker.h"

#include <malloc.h>

namespace corvane {

HistoryWorker::HistoryWorker(const QString& path)
    : m_path(path)
{
    // One thread at a time, so that tasks run in the order given; it retires between passes.
    m_pool.setMaxThreadCount(1);
}

HistoryStore& HistoryWorker::store()
{
    if (!m_store) {
        m_store = std::make_unique<HistoryStore>(
            m_path, m_checked ? HistoryStore::Check::none : HistoryStore::Check::integrity);
        m_checked = true;
    }
    return *m_store;
}

// A file that would not open stays off for the run rather than being retried every pass, and
// one whose write failed stays open, so that a full disk is logged once.
void HistoryWorker::closeWhenIdle()
{
    if (!m_waiting.deref() && m_store && m_store->isOpen() && !m_store->writeFailed()) {
        m_store.reset();
        // Hand the page cache and the rest back to the system rather than keep it in the
        // allocator's free lists through hours of idling.
        malloc_trim(0);
    }
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
