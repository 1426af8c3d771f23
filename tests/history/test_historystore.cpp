#include "base/newyork.h"
#include "history/historystore.h"
#include "history/historyworker.h"
#include "support/logcapture.h"
#include "support/testclock.h"
#include "support/testregistry.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace corvane;
using namespace corvane::test;
using namespace Qt::StringLiterals;

namespace {

constexpr auto ownerOnly = QFile::ReadOwner | QFile::WriteOwner;

// A store over a file in a fresh folder; reopen() closes it and opens the same file again.
struct Rig {
    Rig() { reopen(); }

    void reopen()
    {
        store.reset();
        store = std::make_unique<HistoryStore>(path);
    }
    // Appends one pass at a New York instant; answers how many samples it added or replaced.
    qsizetype pass(const QDateTime& at, const QList<std::pair<QString, double>>& totals)
    {
        return store->append(at, totals).size();
    }
    QList<QDate> days(const QString& broker)
    {
        QList<QDate> list;
        for (const HistoryClose& close : store->closes(broker, QDate(2100, 1, 1), 30))
            list.append(close.day);
        return list;
    }

    QTemporaryDir folder;
    QString path = folder.filePath(u"history.sqlite"_s);
    std::unique_ptr<HistoryStore> store;
};

HistorySample sample(const QDateTime& at, double total)
{
    return {at.toUTC(), total};
}

} // namespace

class HistoryStoreTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A point per change or per half hour, a burst of passes merged into one point, nothing
    // outside the session, everything read back after a restart, and no file readable by others.
    void keepsTheSessionsPointsAcrossARestart()
    {
        Rig rig;
        QVERIFY(rig.store->isOpen());
        const auto at = [](int hour, int minute, int second = 0) {
            return newYork(2026, 12, 1, hour, minute, second);
        };
        QCOMPARE(rig.pass(at(9, 29), {{u"a"_s, 1}}), 0);
        QCOMPARE(rig.pass(at(10, 0), {{u"a"_s, 10}, {u"b"_s, -5}}), 2);
        QCOMPARE(rig.pass(at(10, 0, 40), {{u"a"_s, 12}, {u"b"_s, -5}}), 1);
        QCOMPARE(rig.pass(at(10, 29, 59), {{u"a"_s, 12.001}, {u"b"_s, -5}}), 0);
        QCOMPARE(rig.pass(at(10, 30), {{u"a"_s, 12}}), 1);
        QCOMPARE(rig.pass(at(10, 31), {{u"a"_s, 12.5}}), 1);
        QCOMPARE(rig.pass(at(16, 0, 1), {{u"a"_s, 99}}), 0);
        QCOMPARE(QFile::permissions(rig.path) & 0x7077, ownerOnly);
        QCOMPARE(QFile::permissions(rig.path + u"-wal"_s) & 0x7077, ownerOnly);

        rig.reopen();
        const QDate day(2026, 12, 1);
        const QList<HistorySample> a{sample(at(10, 0), 12), sample(at(10, 30), 12),
                                     sample(at(10, 31), 12.5)};
        QCOMPARE(rig.store->samples(u"a"_s, day), a);
        QCOMPARE(rig.store->samples(u"b"_s, day), QList{sample(at(10, 0), -5)});
        QCOMPARE(rig.store->closes(u"a"_s, day, 30), (QList<HistoryClose>{{day, 12.5}}));
        // The merge goes on from the file's last sample, not a fresh one.
        QCOMPARE(rig.pass(at(10, 31, 30), {{u"a"_s, 13}}), 1);
        QCOMPARE(rig.store->samples(u"a"_s, day).size(), 3);
        QCOMPARE(rig.store->samples(u"a"_s, day).last().total, 13.0);

        // A file left readable by an earlier run is narrowed when opened.
        rig.store.reset();
        QFile::setPermissions(rig.path, ownerOnly | QFile::ReadOther | QFile::ReadGroup);
        rig.reopen();
        QCOMPARE(QFile::permissions(rig.path) & 0x7077, ownerOnly);
    }

    // The day is New York's, its session New York's whatever the season: the week after the
    // clocks change the session starts an hour earlier in UTC.
    void keysByNewYorksTradingDay()
    {
        Rig rig;
        const QDateTime winterMorning(QDate(2026, 3, 6), QTime(13, 45), Qt::UTC);
        const QDateTime summerMorning(QDate(2026, 3, 9), QTime(13, 45), Qt::UTC);
        QCOMPARE(rig.pass(winterMorning, {{u"a"_s, 1}}), 0); // 08:45 in New York
        QCOMPARE(rig.pass(winterMorning.addSecs(3600), {{u"a"_s, 2}}), 1);
        QCOMPARE(rig.pass(summerMorning, {{u"a"_s, 3}}), 1); // 09:45
        // A late-afternoon pass, already the next day in Tokyo, belongs to New York's day.
        QCOMPARE(rig.pass(newYork(2026, 3, 9, 15, 59), {{u"a"_s, 4}}), 1);
        QCOMPARE(rig.days(u"a"_s), (QList{QDate(2026, 3, 6), QDate(2026, 3, 9)}));
        QCOMPARE(rig.store->samples(u"a"_s, QDate(2026, 3, 9)).size(), 2);
        // In the evening, after midnight UTC, the last day with samples is still the 9th.
        const QDate evening = newYork(2026, 3, 9, 21, 0).toTimeZone(newYorkTimeZone()).date();
        QCOMPARE(rig.store->lastDay(u"a"_s, evening), QDate(2026, 3, 9));
        QCOMPARE(rig.store->lastDay(u"a"_s, QDate(2026, 3, 8)), QDate(2026, 3, 6));
    }

    // Days older than 400 go, but only at the first pass of a day, and not again that day even
    // after a restart.
    void prunesOldDaysOnceADay()
    {
        Rig rig;
        const QDate old(2025, 6, 2);
        const QDate today(2026, 7, 8); // 401 days later
        const auto noon = [](QDate day) {
            return newYork(day.year(), day.month(), day.day(), 12, 0);
        };
        QCOMPARE(rig.pass(noon(old), {{u"a"_s, 1}}), 1);
        QCOMPARE(rig.pass(noon(old.addDays(1)), {{u"a"_s, 2}}), 1);
        QCOMPARE(rig.pass(noon(today), {{u"a"_s, 3}}), 1);
        QCOMPARE(rig.days(u"a"_s), (QList{old.addDays(1), today}));

        // A late arrival from the old days is not pruned again until tomorrow.
        QCOMPARE(rig.pass(noon(old), {{u"a"_s, 4}}), 1);
        rig.reopen();
        QCOMPARE(rig.pass(noon(today).addSecs(3600), {{u"a"_s, 5}}), 1);
        QCOMPARE(rig.days(u"a"_s), (QList{old, old.addDays(1), today}));
        QCOMPARE(rig.pass(noon(today.addDays(1)), {{u"a"_s, 6}}), 1);
        QCOMPARE(rig.days(u"a"_s), (QList{today, today.addDays(1)}));
        QVERIFY(rig.store->samples(u"a"_s, old.addDays(1)).isEmpty());
    }

    // The worker holds the file only while it has work: the first task opens it, the last one
    // waiting closes it (SQLite then folds its log back in and removes it), and the next task
    // opens it again and finds what was written. A file that cannot be opened is not retried
    // with every task, and its end waits for the work given.
    void workerHoldsTheFileOnlyWhileItWorks()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(u"history.sqlite"_s);
        {
            HistoryWorker idle(path);
        }
        QVERIFY(!QFile::exists(path));

        HistoryWorker worker(path);
        const QDateTime noon = newYork(2026, 12, 1, 12, 0);
        auto write = [&worker](const QDateTime& at, double total) {
            return worker
                .run([at, total](HistoryStore& store) {
                    return store.append(at, {{u"bc_1"_s, total}}).size();
                })
                .result();
        };
        QCOMPARE(write(noon, 10), 1);
        QVERIFY(QFile::exists(path));
        QTRY_VERIFY(!QFile::exists(path + u"-wal"_s));
        QCOMPARE(write(noon.addSecs(5 * 60), 12), 1);
        const QList<HistorySample> samples =
            worker
                .run([](HistoryStore& store) {
                    return store.samples(u"bc_1"_s, QDate(2026, 12, 1));
                })
                .result();
        QCOMPARE(samples, (QList<HistorySample>{sample(noon, 10), sample(noon.addSecs(300), 12)}));
        QTRY_VERIFY(!QFile::exists(path + u"-wal"_s));

        QFile blocker(folder.filePath(u"blocker"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        LogCapture log;
        {
            HistoryWorker off(blocker.fileName() + u"/history.sqlite"_s);
            for (int task = 0; task < 3; ++task)
                QVERIFY(off.run([noon](HistoryStore& store) {
                               return store.append(noon, {{u"a"_s, 1}});
                           })
                            .result()
                            .isEmpty());
        }
        QCOMPARE(log.lines(),
                 QStringList{u"History is off: cannot create %1"_s.arg(blocker.fileName())});
    }

    // A file that is not a database is moved aside, numbered beside the earlier ones, and a
    // fresh one takes its place; a folder that cannot be made turns the history off quietly.
    void setsAsideWhatItCannotRead()
    {
        Rig rig;
        rig.store.reset();
        // Bytes that never were a database, then a database cut short.
        for (const qint64 keep : {-1, 2000}) {
            QFile file(rig.path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            if (keep < 0)
                file.write(QByteArray(4096, 'x'));
            else
                QVERIFY(file.size() > keep && file.resize(keep));
            file.close();
            LogCapture log;
            rig.reopen();
            QVERIFY(rig.store->isOpen());
            QCOMPARE(log.lines().size(), 1);
            QVERIFY(log.lines()[0].startsWith(u"History file unusable"_s));
            rig.store.reset();
        }
        QFile first(rig.path + u".corrupt"_s);
        QVERIFY(first.open(QIODevice::ReadOnly));
        QCOMPARE(first.read(4096), QByteArray(4096, 'x'));
        QVERIFY(QFile::exists(rig.path + u".corrupt.1"_s));
        rig.reopen();
        QCOMPARE(rig.pass(newYork(2026, 12, 1, 12, 0), {{u"a"_s, 1}}), 1);
        rig.reopen();
        QCOMPARE(rig.store->samples(u"a"_s, QDate(2026, 12, 1)).size(), 1);

        QFile blocker(rig.folder.filePath(u"blocker"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        LogCapture log;
        HistoryStore off(blocker.fileName() + u"/history.sqlite"_s);
        QVERIFY(!off.isOpen());
        QVERIFY(off.append(newYork(2026, 12, 1, 12, 0), {{u"a"_s, 1}}).isEmpty());
        QCOMPARE(log.lines().size(), 1);
        QVERIFY(log.lines()[0].startsWith(u"History is off: "_s));
    }
};

CORVANE_TEST(HistoryStoreTest)
#include "test_historystore.moc"
