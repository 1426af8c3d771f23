#include "base/newyork.h"
#include "fixturerig.h"
#include "models/brokerresultsmodel.h"
#include "models/feedstatuspresenter.h"
#include "models/positionlistmodel.h"
#include "support/testregistry.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using namespace corvane;
using namespace corvane::test;
using namespace Qt::StringLiterals;

namespace {

using Mode = QAbstractItemModelTester::FailureReportingMode;

QStringList column(const QAbstractItemModel& model, int role)
{
    QStringList values;
    for (int row = 0; row < model.rowCount(); ++row) {
        const QVariant value = model.index(row, 0).data(role);
        values.append(value.isValid() ? value.toString() : u"-"_s);
    }
    return values;
}

} // namespace

class BrokerResultsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tabsAndPagesOfTheFixtureDay()
    {
        FixtureRig rig;
        rig.addFixtureAccount(u"test-key-alpha"_s);
        rig.addFixtureAccount(u"test-key-bravo"_s);
        BrokerResultsModel model(rig.settings, rig.store, rig.market, newYorkTimeZone());
        QAbstractItemModelTester tester(&model, Mode::QtTest);

        // Schwab's login expired, so the platform reports it inactive and it gets no tab.
        using R = BrokerResultsModel;
        QCOMPARE(column(model, R::nicknameRole),
                 (QStringList{u"Etrade Paper"_s, u"IB Margin"_s, u"Tasty IRA"_s}));
        QCOMPARE(column(model, R::totalTextRole), (QStringList{u"$300"_s, u"$88"_s, u"$49"_s}));
        QCOMPARE(column(model, R::nlvTextRole),
                 (QStringList{u"$0"_s, u"$104,483"_s, u"$38,121"_s}));
        QCOMPARE(column(model, R::expiryTextRole),
                 (QStringList{u"-"_s, u"2027-02-28 7:00p"_s, u"2027-02-14 12:30p"_s}));
        QCOMPARE(column(model, R::gainRole), (QStringList{u"true"_s, u"true"_s, u"true"_s}));

        // The day's IB positions, earliest entry first (ties keep their key order): yesterday's
        // spread still runs, and yesterday's closed 0DTE condor is not counted.
        PositionListModel* positions = model.positions(1);
        QVERIFY(positions);
        QAbstractItemModelTester positionTester(positions, Mode::QtTest);
        using P = PositionListModel;
        QCOMPARE(column(*positions, P::keyRole),
                 (QStringList{u"bot_12_2"_s, u"bot_11_0"_s, u"bot_11_1"_s, u"bot_12_3"_s}));
        QCOMPARE(column(*positions, P::profitTextRole),
                 (QStringList{u"$35"_s, u"$232"_s, u"($145)"_s, u"($35)"_s}));
        QCOMPARE(column(*positions, P::nameRole).at(1), u"SPX 0DTE Iron Condor"_s);
        const QList<P::Badge> badges{P::Badge::open, P::Badge::closedGain, P::Badge::open,
                                     P::Badge::closedLoss};
        for (int row = 0; row < positions->rowCount(); ++row)
            QCOMPARE(positions->index(row).data(P::badgeRole).value<P::Badge>(), badges[row]);
        const QModelIndex condor = positions->index(1);
        QCOMPARE(condor.data(P::contractCountRole).toString(), u"2"_s);
        QCOMPARE(condor.data(P::entryValueRole).toString(), u"-490.0"_s);
        QCOMPARE(condor.data(P::maxRiskRole).toString(), u"4510.00"_s);
        QCOMPARE(condor.data(P::percentageTextRole).toString(), u"47.45%"_s);
    }

    void followsTheStoreTheAccountsAndTheMarket()
    {
        FixtureRig rig;
        const QUuid alpha = rig.addFixtureAccount(u"test-key-alpha"_s);
        rig.market.updateStatus();
        BrokerResultsModel model(rig.settings, rig.store, rig.market, newYorkTimeZone());
        QAbstractItemModelTester tester(&model, Mode::QtTest);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

        // A new tally changes only its own row.
        rig.store.find(u"bc_3d77e15b"_s)->setTotal(-12.01);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed[0][0].toModelIndex().row(), 1);
        QCOMPARE(model.index(1).data(BrokerResultsModel::totalTextRole), u"($13)"_s);
        QCOMPARE(model.index(1).data(BrokerResultsModel::gainRole), false);

        // A broker the store has not seen yet shows an empty page of its own.
        AccountSettings account = rig.settings.accountSettings().value(alpha);
        account.brokerSettings[0].nickname.clear(); // named by its broker now
        BrokerSettings fresh;
        fresh.brokerName = u"Alpaca"_s;
        fresh.brokerNumber = u"bc_new"_s;
        fresh.enabled = fresh.watch = true;
        account.brokerSettings.append(fresh);
        rig.settings.setAccount(account);
        QCOMPARE(reset.count(), 1);
        QCOMPARE(column(model, BrokerResultsModel::nicknameRole),
                 (QStringList{u"Alpaca"_s, u"Interactive Brokers"_s, u"Tasty IRA"_s}));
        QCOMPARE(model.index(0).data(BrokerResultsModel::totalTextRole), u"No data"_s);
        QCOMPARE(model.index(0).data(BrokerResultsModel::nlvTextRole), u"$0"_s);
        QCOMPARE(model.positions(0)->rowCount(), 0);

        // Saturday: an empty page says the market is closed.
        rig.clock.set(newYork(2026, 12, 5, 11, 0));
        rig.market.updateStatus();
        QCOMPARE(model.index(0).data(BrokerResultsModel::totalTextRole), u"Mkt closed"_s);

        // Once the store registers the broker, its row shows the store's result.
        auto result = std::make_shared<ProcessedData>();
        result->setTotal(7);
        rig.store.addProcessedData(u"bc_new"_s, result);
        QTRY_COMPARE(model.index(0).data(BrokerResultsModel::totalTextRole), u"$7"_s);

        // An unwatched account takes its brokers out.
        account = rig.settings.accountSettings().value(alpha);
        account.watchAccount = false;
        rig.settings.setAccount(account);
        QCOMPARE(model.rowCount(), 0);
    }

    void feedStatus()
    {
        FixtureRig rig;
        FeedStatusPresenter feed(rig.settings, rig.store, rig.market, rig.clock.clock());
        QSignalSpy market(&feed, &FeedStatusPresenter::marketStateChanged);
        rig.market.updateStatus();
        QCOMPARE(feed.marketStateText(), u"Market open"_s);
        QVERIFY(feed.marketOpen());
        rig.clock.set(newYork(2026, 12, 1, 16, 10));
        rig.market.updateStatus();
        QCOMPARE(feed.marketStateText(), u"After Market"_s);
        rig.clock.set(newYork(2026, 12, 1, 16, 31));
        rig.market.updateStatus();
        QCOMPARE(feed.marketStateText(), u"Market closed"_s);
        QVERIFY(!feed.marketOpen());
        QCOMPARE(market.count(), 3);
        QCOMPARE(feed.newYorkOffsetText(), u"GMT-05"_s);

        QSignalSpy updated(&feed, &FeedStatusPresenter::lastUpdatedChanged);
        rig.store.setLastupdated(u"12-1 @ 2:07p"_s);
        QCOMPARE(updated.count(), 1);
        QCOMPARE(feed.lastUpdated(), u"12-1 @ 2:07p"_s);

        feed.setWatchRunning(false);
        QCOMPARE(rig.settings.watchRunning(), false);
    }
};

CORVANE_TEST(BrokerResultsTest)
#include "test_brokerresults.moc"
