#pragma once

#include "historystore.h"

#include <QFuture>
#include <QPromise>
#include <QString>
#include <QThreadPool>
#include <memory>
#include <type_traits>

namespace corvane {

// The history on a thread of its own, so that neither a pass's write nor SQLite's occasional
// flush of its log to disk (tens of milliseconds on a busy disk) holds up the panel. Work runs
// one task at a time in the order given, always on the same thread, as an SQLite connection
// must stay on the thread that opened it. The file is opened by the first work given, not
// before: a program with nothing to record never loads SQLite nor starts the thread.
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
        m_pool.start([this, promise, work = std::move(work)]() mutable {
            promise->addResult(work(store()));
            promise->finish();
        });
        return future;
    }

private:
    // On the pool's thread only.
    HistoryStore& store();

    const QString m_path;
    QThreadPool m_pool;
    std::unique_ptr<HistoryStore> m_store; // made, used and destroyed on the pool's thread
};

} // namespace corvane
