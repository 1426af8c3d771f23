// Cost of the history: a year of 15 brokers written pass by pass (a point each quarter hour of
// every session, about 100,000 rows); the last day's passes handed to the history's thread as
// the application does, timing what the main thread pays and how long the write itself takes;
// the thirty-day closes and today's curve loaded for every broker; the file's size. Prints one
// JSON object.

#include "base/clock.h"
#include "base/newyork.h"
#include "history/historystore.h"
#include "history/historyworker.h"
#include "market/stockexchangestatus.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>

using namespace corvane;

namespace {

constexpr int brokers = 15;
constexpr int tradingDays = 252;
constexpr int minutesApart = 15;

using Totals = QList<std::pair<QString, double>>;

Totals passTotals(int pass)
{
    Totals totals;
    for (int b = 0; b < brokers; ++b)
        totals.append({QStringLiteral("bc_%1").arg(b, 8, 16, QLatin1Char('0')),
                       (pass * 37 + b * 101) % 2000 - 700.25});
    return totals;
}

// The session instants of one day, a quarter hour apart.
QList<QDateTime> passTimes(const MarketSession& session)
{
    QList<QDateTime> times;
    for (QDateTime at = session.open.addSecs(60); at <= session.close;
         at = at.addSecs(minutesApart * 60))
        times.append(at);
    return times;
}

double threadCpuMicroseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e6 + double(now.tv_nsec) / 1e3;
}

qint64 fileBytes(const QString& path)
{
    qint64 bytes = 0;
    for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
        bytes += QFileInfo(path + suffix).size();
    return bytes;
}

double percentile(QList<double> values, double share)
{
    std::sort(values.begin(), values.end());
    return values.at(std::min<qsizetype>(values.size() - 1, qsizetype(values.size() * share)));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    StockExchangeStatus market(systemClock());

    // The year's trading days, oldest first, ending on a Tuesday.
    QList<MarketSession> sessions;
    for (QDate day(2026, 12, 1); sessions.size() < tradingDays; day = day.addDays(-1))
        if (const auto session = market.session(day))
            sessions.prepend(*session);

    QJsonObject result;
    auto store = std::make_unique<HistoryStore>(path);
    int pass = 0;
    qint64 rows = 0;
    QElapsedTimer timer;
    timer.start();
    for (const MarketSession& session : sessions.first(sessions.size() - 1))
        for (const QDateTime& at : passTimes(session))
            rows += store->append(at, passTotals(pass++)).size();
    const double yearSeconds = double(timer.elapsed()) / 1000.0;
    store.reset();

    QList<double> mainThreadCpuMicroseconds;
    QList<double> mainThreadMicroseconds;
    QList<double> writeMicroseconds;
    {
        HistoryWorker worker(path);
        for (const QDateTime& at : passTimes(sessions.last())) {
            const Totals totals = passTotals(pass++);
            timer.restart();
            const double cpuBefore = threadCpuMicroseconds();
            QFuture<std::pair<qsizetype, double>> written =
                worker.run([at, totals](HistoryStore& history) {
                    QElapsedTimer write;
                    write.start();
                    const qsizetype count = history.append(at, totals).size();
                    return std::pair(count, double(write.nsecsElapsed()) / 1000.0);
                });
            mainThreadCpuMicroseconds.append(threadCpuMicroseconds() - cpuBefore);
            mainThreadMicroseconds.append(double(timer.nsecsElapsed()) / 1000.0);
            rows += written.result().first;
            writeMicroseconds.append(written.result().second);
        }
    }
    result[QStringLiteral("brokers")] = brokers;
    result[QStringLiteral("tradingDays")] = tradingDays;
    result[QStringLiteral("rows")] = rows;
    result[QStringLiteral("yearWriteSeconds")] = yearSeconds;
    // CPU time is what the pass costs the main thread; the wall clock also counts the moments
    // a loaded machine gives the thread to someone else, and is information only.
    result[QStringLiteral("appendPassMainThreadCpuWorstMicroseconds")] =
        percentile(mainThreadCpuMicroseconds, 1.0);
    result[QStringLiteral("appendPassMainThreadWallWorstMicroseconds")] =
        percentile(mainThreadMicroseconds, 1.0);
    result[QStringLiteral("appendPassWriteMedianMicroseconds")] =
        percentile(writeMicroseconds, 0.5);
    result[QStringLiteral("appendPassWriteWorstMicroseconds")] = percentile(writeMicroseconds, 1.0);

    store.reset();
    result[QStringLiteral("fileBytes")] = fileBytes(path);

    // What a start (or a new trading day) reads: every broker's thirty closes and curve, from
    // a file just opened.
    store = std::make_unique<HistoryStore>(path);
    const QDate today = sessions.last().open.toTimeZone(newYorkTimeZone()).date();
    const Totals names = passTotals(0);
    QList<double> closesMicroseconds;
    QList<double> curveMicroseconds;
    for (int round = 0; round < 20; ++round) {
        timer.restart();
        for (const auto& [broker, total] : names)
            if (store->closes(broker, today, 30).size() != 30)
                qFatal("thirty closes expected");
        closesMicroseconds.append(double(timer.nsecsElapsed()) / 1000.0);
        timer.restart();
        for (const auto& [broker, total] : names)
            (void)store->samples(broker, today);
        curveMicroseconds.append(double(timer.nsecsElapsed()) / 1000.0);
    }
    result[QStringLiteral("closes30AllBrokersFirstMicroseconds")] = closesMicroseconds.first();
    result[QStringLiteral("closes30AllBrokersMedianMicroseconds")] =
        percentile(closesMicroseconds, 0.5);
    result[QStringLiteral("todayCurveAllBrokersFirstMicroseconds")] = curveMicroseconds.first();

    std::puts(QJsonDocument(result).toJson(QJsonDocument::Compact).constData());
    return 0;
}
