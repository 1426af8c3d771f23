#include "labelrig.h"
#include "support/testregistry.h"

#include <QSignalSpy>
#include <QTest>

using namespace corvane;
using namespace Qt::StringLiterals;
using test::broker;
using Total = std::optional<double>;

class StatusLabelPresenterTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // One label per watched broker, by id; names fall back from nickname to broker name to
    // "OF"; an unwatched entry shows nothing unless it is the only one.
    void perBrokerLabels()
    {
        test::LabelRig rig;
        rig.add(u"333"_s, 5.5);
        rig.add(u"222"_s, 40.0);
        rig.add(u"111"_s, -3.0);
        rig.setBrokers(
            {{broker(u"222"_s, u"Off"_s, true, false), broker(u"111"_s, u"IRA"_s, true, true)},
             {broker(u"333"_s, u""_s, true, true, u"tastytrade"_s)}});
        rig.settle();
        QCOMPARE(rig.shown(), QStringList({u"IRA|($3)|-"_s, u"tastytrade|$6|+"_s}));

        test::LabelRig lone;
        lone.add(u"111"_s, Total());
        lone.setBrokers({{broker(u"111"_s, u"IRA"_s, true, false)}});
        lone.settle();
        QCOMPARE(lone.shown(), QStringList({u"No verified accounts|No data|-"_s}));
        // The same missing total once the exchange is shut for the weekend.
        lone.clock.set(test::newYork(2024, 6, 22, 12, 0));
        lone.core->market().updateStatus();
        lone.settle();
        QCOMPARE(lone.shown(), QStringList({u"No verified accounts|Mkt closed|-"_s}));

        test::LabelRig empty;
        empty.settle();
        QVERIFY(empty.presenter.labels().isEmpty());
        QCOMPARE(empty.presenter.summary(), u"No verified accounts"_s);
    }

    // The roll-up counts only brokers that would have their own label; an absent total is 0.
    // Without it, labels run in broker-number order by value: "9" before "10".
    void rollUpSumsWatchedBrokers()
    {
        test::LabelRig rig;
        rig.settings.setRollUpTaskBarLabel(u"All"_s);
        rig.settings.setRollUp(true);
        rig.add(u"1"_s, 10.0);
        rig.add(u"2"_s, Total());
        rig.add(u"10"_s, 0.0);
        rig.add(u"9"_s, -25.0);
        rig.add(u"4"_s, 1000.0);
        rig.add(u"5"_s, 1000.0);
        rig.add(u"stale"_s, 1000.0);
        rig.setBrokers(
            {{broker(u"1"_s, u"a"_s, true, true), broker(u"2"_s, u"b"_s, true, true),
              broker(u"9"_s, u"c"_s, true, true), broker(u"10"_s, u"d"_s, true, true),
              broker(u"4"_s, u"off"_s, false, true), broker(u"5"_s, u"unwatched"_s, true, false)}});
        rig.settle();
        QCOMPARE(rig.shown(), QStringList({u"All|($15)|-"_s}));

        rig.settings.setRollUp(false);
        rig.settle();
        QStringList ids;
        for (const StatusLabel& label : rig.presenter.labels())
            ids.append(label.id);
        QCOMPARE(ids, QStringList({u"1"_s, u"2"_s, u"9"_s, u"10"_s}));

        // Cents that cancel out leave nothing to show, and nothing green.
        test::LabelRig cents;
        cents.settings.setRollUpTaskBarLabel(u"All"_s);
        cents.settings.setRollUp(true);
        cents.add(u"1"_s, 0.1);
        cents.add(u"2"_s, 0.2);
        cents.add(u"3"_s, -0.3);
        cents.setBrokers({{broker(u"1"_s, u"a"_s, true, true), broker(u"2"_s, u"b"_s, true, true),
                           broker(u"3"_s, u"c"_s, true, true)}});
        cents.settle();
        QCOMPARE(cents.shown(), QStringList({u"All|$0|-"_s}));
    }

    // A pass copies tallies broker by broker: the presenter answers once, and only labels
    // whose total moved turn over.
    void foldsChangesAndFlipsMovedTotals()
    {
        test::LabelRig rig;
        auto first = rig.add(u"1"_s, 5.0);
        auto second = rig.add(u"2"_s, 8.0);
        rig.setBrokers({{broker(u"1"_s, u"a"_s, true, true), broker(u"2"_s, u"b"_s, true, true)}});
        rig.settle();
        QSignalSpy changed(&rig.presenter, &StatusLabelPresenter::labelsChanged);
        QSignalSpy flipped(&rig.presenter, &StatusLabelPresenter::totalChanged);

        first->setTotal(7.0);
        second->setTotal(8.0);
        first->setTotal(7.25);
        rig.settle();
        QCOMPARE(changed.count(), 1);
        QCOMPARE(flipped.count(), 1);
        QCOMPARE(flipped.at(0).at(0).toString(), u"1"_s);
        QCOMPARE(rig.shown().first(), u"a|$8|+"_s);

        // Same text, new total: still a change of the total, so still a turn.
        first->setTotal(7.5);
        rig.settle();
        QCOMPARE(flipped.count(), 2);
    }
};

CORVANE_TEST(StatusLabelPresenterTest)
#include "test_statuslabelpresenter.moc"
