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

class AccountTableTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void editsAreStoredAndSurviveARelaunch()
    {
        TempSuite suite;
        QUuid id;
        {
            CVNSettings settings(suite.suite());
            AccountTableModel model(settings);
            QAbstractItemModelTester tester(&model,
                                            QAbstractItemModelTester::FailureReportingMode::QtTest);
            id = settings.addAccount();
            const QUuid second = settings.addAccount();
            QCOMPARE(model.rowCount(), 2);
            const int row = model.rowOf(id);
            QCOMPARE(model.data(model.index(row, 0), AccountTableModel::accountIdRole).toUuid(),
                     id);
            QCOMPARE(model.data(model.index(1 - row, 0), AccountTableModel::accountIdRole).toUuid(),
                     second);

            QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
            QVERIFY(model.setData(model.index(row, AccountTableModel::nicknameColumn), u"IRA"_s,
                                  Qt::EditRole));
            QCOMPARE(changed.count(), 1);
            QVERIFY(model.setData(model.index(row, AccountTableModel::watchAccountColumn),
                                  Qt::Unchecked, Qt::CheckStateRole));
            QVERIFY(model.setData(model.index(row, AccountTableModel::keyVerifiedColumn), true,
                                  Qt::EditRole));
            QVERIFY(model.setData(model.index(row, AccountTableModel::tradeTypeColumn), u"paper"_s,
                                  Qt::EditRole));
            QVERIFY(model.setData(model.index(row, 0), u"key-1"_s, AccountTableModel::apiKeyRole));
            QCOMPARE(model.data(model.index(row, AccountTableModel::watchAccountColumn),
                                Qt::DisplayRole),
                     u"false"_s);
            QCOMPARE(
                model.data(model.index(row, AccountTableModel::keyVerifiedColumn), Qt::DisplayRole),
                u"true"_s);

            settings.removeAccount(second);
            QCOMPARE(model.rowCount(), 1);
        }
        CVNSettings relaunched(suite.reopen());
        AccountTableModel model(relaunched);
        QCOMPARE(model.rowCount(), 1);
        const AccountSettings stored = relaunched.accountSettings().value(id);
        QCOMPARE(stored.nickName, u"IRA"_s);
        QCOMPARE(stored.watchAccount, false);
        QCOMPARE(stored.keyVerified, true);
        QCOMPARE(stored.paperLiveBoth, u"paper"_s);
        QCOMPARE(stored.apiKey, u"key-1"_s);
        QCOMPARE(model.data(model.index(0, AccountTableModel::tradeTypeColumn), Qt::DisplayRole),
                 u"paper"_s);
    }

    void wrongValuesAreRefusedAndNothingIsWritten()
    {
        TempSuite suite;
        CVNSettings settings(suite.suite());
        AccountTableModel model(settings);
        settings.addAccount();
        const AccountMap before = settings.accountSettings();
        QSignalSpy stored(&settings, &CVNSettings::accountSettingsChanged);
        LogCapture log;

        QVERIFY(!model.setData(model.index(0, AccountTableModel::nicknameColumn), 7, Qt::EditRole));
        QVERIFY(!model.setData(model.index(0, AccountTableModel::watchAccountColumn), u"yes"_s,
                               Qt::EditRole));
        QVERIFY(!model.setData(model.index(0, AccountTableModel::tradeTypeColumn), u"Live"_s,
                               Qt::EditRole));
        QVERIFY(!model.setData(model.index(0, AccountTableModel::nicknameColumn), u"x"_s,
                               Qt::CheckStateRole));
        QVERIFY(!model.setData(model.index(3, 0), u"x"_s, Qt::EditRole));
        QCOMPARE(stored.count(), 0);
        QCOMPARE(settings.accountSettings(), before);
        QCOMPARE(log.lines(), QStringList{u"Refused trade type: Live"_s});
    }
};

CORVANE_TEST(AccountTableTest)
#include "test_accounts.moc"
