#include "models/accounttablemodel.h"
#include "settings/settings.h"
#include "support/logcapture.h"
#include "support/tempsuite.h"
#include "support/testregistry.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using namespace corvane;
using namespace corvane::test;
using namespace Qt::StringLiterals;
using M = AccountTableModel;

class AccountTableTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Each column and role writes its own field of the stored account, and the rows follow
    // the store.
    void editsReachTheStoreAndWrongValuesDoNot()
    {
        TempSuite suite;
        CVNSettings settings(suite.suite());
        AccountTableModel model(settings);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        const QUuid id = settings.addAccount();
        const QUuid second = settings.addAccount();
        QCOMPARE(model.rowCount(), 2);
        const int row = model.rowOf(id);
        const auto at = [&](int column) { return model.index(row, column); };
        QCOMPARE(at(0).data(M::accountIdRole).toUuid(), id);
        QCOMPARE(model.index(1 - row, 0).data(M::accountIdRole).toUuid(), second);

        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QVERIFY(model.setData(at(M::nicknameColumn), u"IRA"_s, Qt::EditRole));
        QCOMPARE(changed.count(), 1);
        QVERIFY(model.setData(at(M::watchAccountColumn), Qt::Unchecked, Qt::CheckStateRole));
        QVERIFY(model.setData(at(M::keyVerifiedColumn), true, Qt::EditRole));
        QVERIFY(model.setData(at(M::tradeTypeColumn), u"paper"_s, Qt::EditRole));
        QVERIFY(model.setData(at(0), u"key-1"_s, M::apiKeyRole));
        BrokerSettings broker;
        broker.brokerNumber = u"bc_1"_s;
        QVERIFY(model.setData(at(0), QVariant::fromValue(QList<BrokerSettings>{broker}),
                              M::brokerSettingsRole));
        const AccountSettings stored = settings.accountSettings().value(id);
        QCOMPARE(stored.nickName, u"IRA"_s);
        QCOMPARE(stored.watchAccount, false);
        QCOMPARE(stored.keyVerified, true);
        QCOMPARE(stored.paperLiveBoth, u"paper"_s);
        QCOMPARE(stored.apiKey, u"key-1"_s);
        QCOMPARE(stored.brokerSettings.value(0).brokerNumber, u"bc_1"_s);
        QCOMPARE(at(M::watchAccountColumn).data(), u"false"_s);
        QCOMPARE(at(M::keyVerifiedColumn).data(), u"true"_s);

        settings.removeAccount(second);
        QCOMPARE(model.rowCount(), 1);

        // Values of the wrong kind are refused, and nothing is written.
        const AccountMap before = settings.accountSettings();
        QSignalSpy writes(&settings, &CVNSettings::accountSettingsChanged);
        LogCapture log;
        QVERIFY(!model.setData(model.index(0, M::nicknameColumn), 7, Qt::EditRole));
        QVERIFY(!model.setData(model.index(0, M::watchAccountColumn), u"yes"_s, Qt::EditRole));
        QVERIFY(!model.setData(model.index(0, M::tradeTypeColumn), u"Live"_s, Qt::EditRole));
        QVERIFY(!model.setData(model.index(0, M::nicknameColumn), u"x"_s, Qt::CheckStateRole));
        QVERIFY(!model.setData(model.index(0, 0), u"x"_s, M::brokerSettingsRole));
        QVERIFY(!model.setData(model.index(3, 0), u"x"_s, Qt::EditRole));
        QCOMPARE(writes.count(), 0);
        QCOMPARE(settings.accountSettings(), before);
        QCOMPARE(log.lines(), QStringList{u"Refused trade type: Live"_s});
    }
};

CORVANE_TEST(AccountTableTest)
#include "test_accounts.moc"
