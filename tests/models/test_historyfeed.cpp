#include "fixturerig.h"
#include "history/historystore.h"
#include "models/historyfeed.h"
#include "models/statuslabelpresenter.h"
#include "support/testregistry.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace corvane;
using namespace corvane::test;
using namespace Qt::StringLiterals;

class HistoryFeedTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Each good pass extends the broker's curve and close; a failed one adds nothing, even
    // when a point is due. Outside the session the last trading day stays, until the next
    // session opens with an empty curve.
    void followsThePassesAndTheSessions()
    {
        FixtureRig rig;
        rig.addFixtureAccount(u"test-key-alpha"_s);
        const HistoryFeed& feed = rig.core->historyFeed();
        const QString broker = u"bc_3d77e15b"_s;
        const QDate tuesday(2026, 12, 1);
        const auto at = [](int day, int hour, int minute) {
            return newYork(2026, 12, day, hour, minute);
        };
        const double total = rig.store.find(broker)->total().value();
        StatusLabelPresenter presenter(rig.store, rig.settings, rig.market);
        presenter.setHistory(feed);
        auto rangeOf = [&presenter](const QString& id) {
            presenter.refresh();
            for (const StatusLabel& label : presenter.labels())
                if (label.id == id)
                    return std::pair{label.dayLow, label.dayHigh};
            return std::pair<std::optional<double>, std::optional<double>>{};
        };
        QTRY_VERIFY(!feed.day(broker).points.isEmpty());
        QCOMPARE(rangeOf(broker), std::pair(std::optional(total), std::optional(total)));
        const DayCurve first = feed.day(broker);
        QCOMPARE(first.tradingDay, tuesday);
        QCOMPARE(first.open, at(1, 9, 30));
        QCOMPARE(first.close, at(1, 16, 0));
        QCOMPARE(first.points, (QList<HistoryPoint>{{at(1, 14, 7).toUTC(), total}}));
        QCOMPARE(feed.closes(broker), (QList<DayClose>{{tuesday, total}}));

        // Half an hour on, a point is due; the failed pass does not write it, the next one does.
        rig.clock.set(at(1, 14, 40));
        rig.fake.injectFault({u"/v1/bots/positions/"_s, fake::Fault::Kind::drop, 0, 0, true});
        QVERIFY(runPass(*rig.core));
        rig.fake.clearFaults();
        rig.clock.set(at(1, 14, 42));
        QVERIFY(runPass(*rig.core));
        QTRY_COMPARE(feed.day(broker).points.size(), 2);
        QCOMPARE(feed.day(broker).points[1].at, at(1, 14, 42));
        const HistoryStore file(rig.historyFolder.filePath(u"history.sqlite"_s));
        QCOMPARE(file.samples(broker, tuesday).size(), 2);

        // In New York's evening (tomorrow in UTC) the range is still today's. Before the next
        // session the feed still shows Tuesday, without a range; at its opening the new day.
        rig.clock.set(at(1, 20, 0));
        QCOMPARE(rangeOf(broker).second, feed.day(broker).points[1].total);
        QSignalSpy reloaded(rig.core->historyRecorder(), &HistoryRecorder::reloaded);
        rig.clock.set(at(2, 9, 0));
        rig.market.updateStatus();
        QTRY_COMPARE(reloaded.count(), 1);
        QCOMPARE(feed.day(broker).tradingDay, tuesday);
        QCOMPARE(feed.day(broker).points.size(), 2);
        QCOMPARE(rangeOf(broker).first, std::nullopt);
        rig.clock.set(at(2, 9, 31));
        rig.market.updateStatus();
        QTRY_COMPARE(reloaded.count(), 2);
        QCOMPARE(feed.day(broker).tradingDay, QDate(2026, 12, 2));
        QVERIFY(feed.day(broker).points.isEmpty());
        QCOMPARE(feed.closes(broker), (QList<DayClose>{{tuesday, total}}));
    }

    // Nothing to record or show leaves the file unopened (and SQLite unloaded); the first
    // watched broker opens it.
    void opensTheFileForTheFirstWatchedBroker()
    {
        FixtureRig rig;
        const QString path = rig.historyFolder.filePath(u"history.sqlite"_s);
        QSignalSpy reloaded(rig.core->historyRecorder(), &HistoryRecorder::reloaded);
        rig.core->historyRecorder()->reload();
        QTRY_COMPARE(reloaded.count(), 1);
        QVERIFY(!QFile::exists(path));
        rig.addFixtureAccount(u"test-key-alpha"_s);
        QTRY_VERIFY(QFile::exists(path));
    }

    // The rolled-up label's range is that of the summed curve, each broker's total holding
    // until its next point; the tooltip shows it as the label rounds.
    void rangesSumTheHeldTotals()
    {
        HistoryFeed feed;
        const QDate day(2026, 12, 1);
        const auto at = [](int hour, int minute) { return newYork(2026, 12, 1, hour, minute); };
        feed.setDay(u"a"_s, {day, {}, {}, {{at(10, 0), 10}, {at(10, 30), -20.5}}});
        feed.setDay(u"b"_s, {day, {}, {}, {{at(10, 0), 5}, {at(10, 15), 30}}});
        QCOMPARE(feed.range({u"a"_s, u"b"_s}, day), (DayRange{9.5, 40}));
        QCOMPARE(feed.range({u"a"_s}, day), (DayRange{-20.5, 10}));
        QCOMPARE(feed.range({u"a"_s}, day.addDays(1)), std::nullopt);
        QCOMPARE(feed.range({u"c"_s}, day), std::nullopt);

        StatusLabel label{u"a"_s, u"IRA"_s, u"$13"_s, 12.4, true, 40, -20.5};
        QCOMPARE(StatusLabelPresenter::toolTip({label, {u"b"_s, u"Paper"_s, u"No data"_s, {}}}, {}),
                 u"IRA $13 · high $40 · low ($21)\nPaper No data"_s);
    }
};

CORVANE_TEST(HistoryFeedTest)
#include "test_historyfeed.moc"
