#include "engine/processeddatamanager.h"
#include "settings/settings.h"
#include "support/logcapture.h"
#include "support/tempsuite.h"
#include "support/testregistry.h"

#include <QSignalSpy>
#include <QTest>

using namespace corvane;

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

void register_(ProcessedDataManager& store, const QStringList& numbers)
{
    for (const QString& number : numbers)
        store.addProcessedData(number, std::make_shared<ProcessedData>());
    QTRY_COMPARE(store.processedDataCount(), numbers.size());
}

} // namespace

class ProcessedDataStoreTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void freshStoreAndEmptyResult()
    {
        test::TempSuite temp;
        CVNSettings settings(temp.suite());
        ProcessedDataManager store(settings);
        QVERIFY(store.processedDataArray().isEmpty());
        QCOMPARE(store.rolledUpTotal(), 0.0);
        QCOMPARE(store.lastupdated(), QStringLiteral("n/a"));
        QCOMPARE(store.processedDataCount(), 0);

        const ProcessedData empty;
        QCOMPARE(empty.total(), std::nullopt);
        QCOMPARE(empty.NLV(), std::optional(QString()));
        QCOMPARE(empty.brokerExpiration(), std::optional(QString()));
        QVERIFY(empty.bots().isEmpty() && empty.statuses().isEmpty() && empty.name().isEmpty() &&
                empty.tradeInfo().isEmpty());
    }

    void registrationKeepsTheFirstObjectAndSharesIt()
    {
        test::TempSuite temp;
        CVNSettings settings(temp.suite());
        ProcessedDataManager store(settings);
        auto first = std::make_shared<ProcessedData>();
        auto second = std::make_shared<ProcessedData>(
            5.0, ProcessedData::Profits{{QStringLiteral("12_0"), 5.0}}, ProcessedData::Texts{},
            ProcessedData::Texts{}, std::nullopt, std::nullopt, ProcessedData::TradeInfos{});
        store.addProcessedData(QStringLiteral("7"), first);
        store.addProcessedData(QStringLiteral("7"), second);
        store.addProcessedData(QStringLiteral("07"), second); // ids compare as exact text
        QCOMPARE(store.processedDataCount(), 0);
        QSignalSpy counts(&store, &ProcessedDataManager::processedDataCountChanged);
        QTRY_COMPARE(store.processedDataCount(), 2);
        QCOMPARE(counts.count(), 2);
        QCOMPARE(ids(store), (QStringList{QStringLiteral("7"), QStringLiteral("07")}));
        QCOMPARE(store.find(QStringLiteral("7")), first);

        // A copy into the registered object is seen through every holder of it.
        QSignalSpy totals(first.get(), &ProcessedData::totalChanged);
        store.processedDataArray().first().processedData->setTotal(-23.5);
        QCOMPARE(first->total(), std::optional(-23.5));
        QCOMPARE(totals.count(), 1);
    }

    void removalTakesTheAccountsEnabledBrokers()
    {
        test::TempSuite temp;
        CVNSettings settings(temp.suite());
        const QUuid account = addAccountWith(settings, {broker(QStringLiteral("1"), true),
                                                        broker(QStringLiteral("2"), false),
                                                        broker(QStringLiteral("3"), true)});
        ProcessedDataManager store(settings);
        register_(store, {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                          QStringLiteral("4")});

        store.removeAccountProcessedData(account);
        // The account is read at once, so dropping it right after the call changes nothing.
        settings.removeAccount(account);
        QCOMPARE(store.processedDataCount(), 4);
        QTRY_COMPARE(store.processedDataCount(), 2);
        QCOMPARE(ids(store), (QStringList{QStringLiteral("2"), QStringLiteral("4")}));
    }

    void removalOfAnAccountWithOnlyDisabledBrokersKeepsEverything()
    {
        test::TempSuite temp;
        CVNSettings settings(temp.suite());
        const QUuid account = addAccountWith(settings, {broker(QStringLiteral("1"), false)});
        ProcessedDataManager store(settings);
        register_(store, {QStringLiteral("1")});
        QSignalSpy counts(&store, &ProcessedDataManager::processedDataCountChanged);
        QSignalSpy array(&store, &ProcessedDataManager::processedDataArrayChanged);
        store.removeAccountProcessedData(account);
        QTRY_COMPARE(counts.count(), 1);
        QCOMPARE(array.count(), 0);
        QCOMPARE(ids(store), QStringList{QStringLiteral("1")});
    }

    void removalOfAnUnknownAccountIsLogged()
    {
        test::TempSuite temp;
        CVNSettings settings(temp.suite());
        ProcessedDataManager store(settings);
        register_(store, {QStringLiteral("1")});
        const QUuid unknown(QStringLiteral("{6f1c2a9e-0b7d-4c55-8e21-3a9d4b2c1f00}"));
        test::LogCapture log;
        QSignalSpy counts(&store, &ProcessedDataManager::processedDataCountChanged);
        store.removeAccountProcessedData(unknown);
        QCoreApplication::processEvents();
        QCOMPARE(log.lines(),
                 QStringList{QStringLiteral("Account settings not found for account "
                                            "ID: 6F1C2A9E-0B7D-4C55-8E21-3A9D4B2C1F00")});
        QCOMPARE(counts.count(), 0);
        QCOMPARE(store.processedDataCount(), 1);
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
        test::TempSuite temp;
        CVNSettings settings(temp.suite());
        const QUuid a = addAccountWith(
            settings, {broker(QStringLiteral("9"), true), broker(QStringLiteral("5"), true)});
        const QUuid b = addAccountWith(settings, {broker(QStringLiteral("9"), true)});
        ProcessedDataManager store(settings);
        settings.primeProcessedData(store);
        QTRY_COMPARE(store.processedDataCount(), 2);

        store.removeAccountProcessedData(removeFirst ? a : b);
        QTRY_VERIFY(!store.find(QStringLiteral("9")));
        QCOMPARE(store.processedDataCount(), removeFirst ? 0 : 1);
    }
};

CORVANE_TEST(ProcessedDataStoreTest)
#include "test_processeddatastore.moc"
