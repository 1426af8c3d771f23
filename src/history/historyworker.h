#pragma once

#include "historystore.h"

#include <QAtomicInt>
#include <QFuture>
#include <QPromise>
#include <QString>
#include <QThreadPool>
#include <memory>
#include <type_traits>

namespace corvane {

// The history on a thread of its own, so that neither a pass's write nor SQLite's occasional
// flush of its log to disk (tens of milliseconds on a busy disk) holds up the panel. Work runs
// one task at a time in the order given. The file is open only while there is work: the first
// task opens it and the last one waiting closes it again, all on one thread, as an SQLite
// connection must stay on the thread that opened it. Between passes (a minute or more apart,
// and nothing at all outside the session) the program holds no connection, no page cache and
// no thread for the history; a program with nothing to record never even loads SQLite.
class HistoryWorker final {
    Q_DISABLE_COPY_MOVE(HistoryWorker)

public:
    explicit HistoryWorker(const QString& path);
    // Finishes the work already given, then closes the file on its own thread.
    ~HistoryWorker();

    // Runs work(store) on the history's thread; the future carries its answer. Waiting on it
    // never runs the work on the waiting thread, as it could with QtConcurrent's futures.
    template <class Work> auto run(Work work)
    {
        using Result = std::invoke_result_t<Work&, HistoryStore&>;
        auto promise = std::make_shared<QPromise<Result>>();
        QFuture<Result> future = promise->future();
        promise->start();
        m_waiting.ref();
        m_pool.start([this, promise, work = std::move(work)]() mutable {
            promise->addResult(work(store()));
            promise->finish();
            closeWhenIdle();
        });
        return future;
    }

private:
    // On the pool's thread only.
    HistoryStore& store();
    void closeWhenIdle();

    const QString m_path;
    QThreadPool m_pool;
    QAtomicInt m_waiting; // tasks given and not yet done
    // Made, used and destroyed on the pool's thread.
    std::unique_ptr<HistoryStore> m_store;
    bool m_checked = false;
};

} // namespace corvane
