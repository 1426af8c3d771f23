#include "engine/processeddatamanager.h"
#include "settings/settings.h"
#include "support/logcapture.h"
#include "support/tempsuite.h"
#include "support/testregistry.h"

#include <QSignalSpy>
#include <QTest>

using namespace corvane;
using namespace Qt::StringLiterals;

namespace {

BrokerSettings broker(const QString& number, bool enabled)
{
    BrokerSettings b;
    b.brokerNumber = number;
    b.enabled = enabled;
    return b;
}

QUuid addAccountWith(CVNSettings& settings, QList<BrokerSettings> brokers)
{
    AccountSettings account = AccountSettings::newAccount();
    account.brokerSettings = std::move(brokers);
    settings.setAccount(account);
    return account.accountName;
}

QStringList ids(const ProcessedDataManager& store)
{
    QStringList result;
    for (const ProcessedDataWrapper& entry : store.processedDataArray())
        result.append(entry.id);
    return result;
}

// A store on settings of its own.
struct StoreRig {
    test::TempSuite temp;
    CVNSettings settings{temp.suite()};
    ProcessedDataManager store{settings};
};

} // namespace

class ProcessedDataStoreTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void registrationKeepsTheFirstObjectAndSharesIt()
    {
        StoreRig rig;
        auto first = std::make_shared<ProcessedData>();
        auto second = std::make_shared<ProcessedData>();
        rig.store.addProcessedData(u"7"_s, first);
        rig.store.addProcessedData(u"7"_s, second);
        rig.store.addProcessedData(u"07"_s, second); // ids compare as exact text
        QCOMPARE(rig.store.processedDataCount(), 0);
        QSignalSpy counts(&rig.store, &ProcessedDataManager::processedDataCountChanged);
        QTRY_COMPARE(rig.store.processedDataCount(), 2);
        QCOMPARE(counts.count(), 2);
        QCOMPARE(ids(rig.store), (QStringList{u"7"_s, u"07"_s}));
        QCOMPARE(rig.store.find(u"7"_s), first);
    }

    void primingQueuesOneAdditionPerEnabledBroker()
    {
        StoreRig rig;
        addAccountWith(rig.settings,
                       {broker(u"11"_s, true), broker(u"12"_s, false), broker(u"13"_s, true)});
        addAccountWith(rig.settings, {broker(u"21"_s, false)});
        const auto existing = std::make_shared<ProcessedData>();
        rig.store.addProcessedData(u"13"_s, existing);
        QTRY_COMPARE(rig.store.processedDataCount(), 1);

        QSignalSpy spy(&rig.store, &ProcessedDataManager::processedDataArrayChanged);
        rig.store.primeProcessedData();
        QCOMPARE(rig.store.processedDataCount(), 1); // nothing happens before the loop runs
        QCoreApplication::processEvents();
        QCOMPARE(spy.count(), 1);
        QCOMPARE(ids(rig.store), (QStringList{u"13"_s, u"11"_s}));
        QCOMPARE(rig.store.find(u"13"_s), existing); // priming keeps what is there
    }

    // Removal reads the account at once and queues the removal of its enabled brokers only;
    // with none enabled the count is still refreshed and the array is left alone; an unknown
    // account is logged and changes nothing.
    void removalTakesTheAccountsEnabledBrokers()
    {
        StoreRig rig;
        const QUuid account = addAccountWith(
            rig.settings, {broker(u"1"_s, true), broker(u"2"_s, false), broker(u"3"_s, true)});
        const QUuid disabledOnly = addAccountWith(rig.settings, {broker(u"4"_s, false)});
        for (const QString& number : {u"1"_s, u"2"_s, u"3"_s, u"4"_s})
            rig.store.addProcessedData(number, std::make_shared<ProcessedData>());
        QTRY_COMPARE(rig.store.processedDataCount(), 4);

        rig.store.removeAccountProcessedData(account);
        rig.settings.removeAccount(account); // dropping it right after the call changes nothing
        QCOMPARE(rig.store.processedDataCount(), 4);
        QTRY_COMPARE(rig.store.processedDataCount(), 2);
        QCOMPARE(ids(rig.store), (QStringList{u"2"_s, u"4"_s}));

        QSignalSpy counts(&rig.store, &ProcessedDataManager::processedDataCountChanged);
        QSignalSpy array(&rig.store, &ProcessedDataManager::processedDataArrayChanged);
        rig.store.removeAccountProcessedData(disabledOnly);
        QTRY_COMPARE(counts.count(), 1);
        QCOMPARE(array.count(), 0);
        QCOMPARE(ids(rig.store), (QStringList{u"2"_s, u"4"_s}));

        test::LogCapture log;
        rig.store.removeAccountProcessedData(QUuid(u"{6f1c2a9e-0b7d-4c55-8e21-3a9d4b2c1f00}"_s));
        QCoreApplication::processEvents();
        QCOMPARE(log.lines(), QStringList{u"Account settings not found for account ID: "
                                          "6F1C2A9E-0B7D-4C55-8E21-3A9D4B2C1F00"_s});
        QCOMPARE(counts.count(), 1);
        QCOMPARE(array.count(), 0);
    }

    void accountsSharingABrokerShareItsEntry_data()
    {
        QTest::addColumn<bool>("removeFirst");
        QTest::newRow("first account") << true;
        QTest::newRow("second account") << false;
    }

    void accountsSharingABrokerShareItsEntry()
    {
        QFETCH(bool, removeFirst);
        StoreRig rig;
        const QUuid a = addAccountWith(rig.settings, {broker(u"9"_s, true), broker(u"5"_s, true)});
        const QUuid b = addAccountWith(rig.settings, {broker(u"9"_s, true)});
        rig.store.primeProcessedData();
        QTRY_COMPARE(rig.store.processedDataCount(), 2);

        rig.store.removeAccountProcessedData(removeFirst ? a : b);
        QTRY_VERIFY(!rig.store.find(u"9"_s));
        QCOMPARE(rig.store.processedDataCount(), removeFirst ? 0 : 1);
    }
};

CORVANE_TEST(ProcessedDataStoreTest)
#include "test_processeddatastore.moc"
