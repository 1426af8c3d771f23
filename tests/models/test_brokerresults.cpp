#include "base/newyork.h"
#include "fixturerig.h"
#include "models/brokerresultsmodel.h"
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

} // namespace

class BrokerResultsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void followsTheStoreTheAccountsAndTheMarket()
    {
        FixtureRig rig;
        const QUuid alpha = rig.addFixtureAccount(u"test-key-alpha"_s);
        rig.market.updateStatus();
        BrokerResultsModel model(rig.settings, rig.store, rig.market, newYorkTimeZone());
        QAbstractItemModelTester tester(&model, Mode::QtTest);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

        // A pass that finds the same positions tells each position list once, without a reset
        // that would rebuild every row.
        PositionListModel* positions = model.positions(1);
        QVERIFY(positions->rowCount() > 0);
        QAbstractItemModelTester positionTester(positions, Mode::QtTest);
        QSignalSpy positionsReset(positions, &QAbstractItemModel::modelReset);
        QSignalSpy positionsChanged(positions, &QAbstractItemModel::dataChanged);
        QVERIFY(runPass(*rig.core));
        QTRY_COMPARE(positionsChanged.count(), 1);
        QCOMPARE(positionsReset.count(), 0);
        changed.clear();

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
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.index(0).data(BrokerResultsModel::nicknameRole), u"Alpaca"_s);
        QCOMPARE(model.index(1).data(BrokerResultsModel::nicknameRole), u"Interactive Brokers"_s);
        QCOMPARE(model.index(2).data(BrokerResultsModel::nicknameRole), u"Tasty IRA"_s);
        QCOMPARE(model.index(0).data(BrokerResultsModel::totalTextRole), u"No data"_s);
        QCOMPARE(model.index(0).data(BrokerResultsModel::nlvTextRole), u"$0"_s);
        QCOMPARE(model.positions(0)->rowCount(), 0);

        // Saturday: an empty page says the market is closed.
        rig.clock.set(newYork(2026, 12, 5, 11, 0));
        rig.market.updateStatus();
        QCOMPARE(model.index(0).data(BrokerResultsModel::totalTextRole), u"Mkt closed"_s);

        // The root registers a result for the new broker; the row follows it from then on.
        QTRY_VERIFY(rig.store.find(u"bc_new"_s));
        rig.store.find(u"bc_new"_s)->setTotal(7);
        QCOMPARE(model.index(0).data(BrokerResultsModel::totalTextRole), u"$7"_s);
    }
};

CORVANE_TEST(BrokerResultsTest)
#include "test_brokerresults.moc"
