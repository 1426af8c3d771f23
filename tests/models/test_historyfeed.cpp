#include "fixturerig.h"
#include "history/historystore.h"
#include "models/historyfeed.h"
#include "support/testregistry.h"

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
        const DayCurve first = feed.day(broker);
        QCOMPARE(first.tradingDay, tuesday);
        QCOMPARE(first.open, at(1, 9, 30));
        QCOMPARE(first.close, at(1, 16, 0));
        QCOMPARE(first.points, (QList<HistoryPoint>{{at(1, 14, 7).toUTC(), total}}));
        QCOMPARE(feed.closes(broker), (QList<DayClose>{{tuesday, total}}));

        rig.clock.set(at(1, 14, 40));
        rig.fake.injectFault({u"/v1/bots/positions/"_s, fake::Fault::Kind::drop, 0, 0, true});
        QVERIFY(runPass(*rig.core));
        QCOMPARE(feed.day(broker), first);
        rig.fake.clearFaults();
        QVERIFY(runPass(*rig.core));
        QCOMPARE(feed.day(broker).points.size(), 2);
        QCOMPARE(rig.core->history()->samples(broker, tuesday).size(), 2);

        for (const QDateTime& evening : {at(1, 20, 0), at(2, 9, 0)}) {
            rig.clock.set(evening);
            rig.market.updateStatus();
            QCOMPARE(feed.day(broker).tradingDay, tuesday);
            QCOMPARE(feed.day(broker).points.size(), 2);
        }
        rig.clock.set(at(2, 9, 31));
        rig.market.updateStatus();
        QCOMPARE(feed.day(broker).tradingDay, QDate(2026, 12, 2));
        QVERIFY(feed.day(broker).points.isEmpty());
        QCOMPARE(feed.closes(broker), (QList<DayClose>{{tuesday, total}}));
    }
};

CORVANE_TEST(HistoryFeedTest)
#include "test_historyfeed.moc"
