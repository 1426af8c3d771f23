#include "settings/settings.h"
#include "settings/suite.h"
#include "support/logcapture.h"
#include "support/tempsuite.h"
#include "support/testregistry.h"

#include <QSignalSpy>
#include <QTest>

using namespace corvane;
using Field = CVNSettings::AccountField;

namespace {

const QString accountsKey = QStringLiteral("accountSettings");
const QString frequencyKey = QStringLiteral("frequencySelection");

} // namespace

class CVNSettingsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void storedValuesLoad()
    {
        test::TempSuite temp;
        Suite& suite = temp.suite();
        suite.setText(QStringLiteral("paperLiveBoth"), QStringLiteral("paper"));
        suite.setText(QStringLiteral("timezone"), QStringLiteral("Europe/Oslo"));
        suite.setData(QStringLiteral("bots"), R"([{"botName":"A","botNumber":"1",
            "botStatus":"","botIsPaper":true,"alertOnOpen":true,"alertOnClose":false}])");
        for (const char* key : {"runOnStartup", "allBots", "rollUp", "frequencyManual",
                                "enableNotifications", "persistentNotifications"})
            suite.setBoolean(QString::fromLatin1(key), true);

        CVNSettings settings(temp.reopen());
        QCOMPARE(settings.paperLiveBoth(), PaperLiveBoth::paper);
        QCOMPARE(settings.timezone(), QStringLiteral("Europe/Oslo"));
        QCOMPARE(settings.bots().size(), 1);
        QCOMPARE(settings.bots().first()->alertOnOpen(), true);
        QVERIFY(settings.runOnStartup() && settings.allBots() && settings.rollUp() &&
                settings.frequencyManual() && settings.enableNotifications() &&
                settings.persistentNotifications());

        temp.suite().setText(QStringLiteral("paperLiveBoth"), QStringLiteral("LIVE"));
        QCOMPARE(CVNSettings(temp.suite()).paperLiveBoth(), PaperLiveBoth::both);
    }

    void defaultsAndOnlyPersistedFieldsSurviveARestart()
    {
        test::TempSuite temp;
        {
            CVNSettings settings(temp.suite());
            QVERIFY(settings.accountSettings().isEmpty() && settings.bots().isEmpty());
            QCOMPARE(settings.watchRunning(), true);
            QCOMPARE(settings.rollUpTaskBarLabel(), QStringLiteral("OF"));
            QCOMPARE(settings.frequencySelection(), (FrequencySelection{0, 1}));
            QVERIFY(!settings.runOnStartup() && !settings.rollUp() && !settings.frequencyManual() &&
                    !settings.enableNotifications());
            QVERIFY(!QFile::exists(temp.filePath())); // defaults are not written
            settings.setWatchRunning(false);
            settings.setRunOnStartup(true);
            settings.setRollUpTaskBarLabel(QStringLiteral("All"));
            settings.setRollUp(true);
            settings.setFrequencySelection({2, 20});
            settings.setFrequencyManual(true);
            settings.setEnableNotifications(true);
            settings.setTimezone(QStringLiteral("UTC"));
            settings.setAllBots(true);
            settings.setPaperLiveBoth(PaperLiveBoth::live);
            settings.setPersistentNotifications(true);
            settings.addAccount();
        }
        CVNSettings again(temp.reopen());
        QCOMPARE(again.watchRunning(), false);
        QCOMPARE(again.runOnStartup(), true);
        QCOMPARE(again.rollUpTaskBarLabel(), QStringLiteral("All"));
        QCOMPARE(again.rollUp(), true);
        QCOMPARE(again.frequencySelection(), (FrequencySelection{2, 20}));
        QCOMPARE(again.frequencyManual(), true);
        QCOMPARE(again.enableNotifications(), true);
        QCOMPARE(again.accountSettings().size(), 1);
        QCOMPARE(again.timezone(), QString());
        QCOMPARE(again.allBots(), false);
        QCOMPARE(again.paperLiveBoth(), PaperLiveBoth::both);
        QCOMPARE(again.persistentNotifications(), false);
    }

    void changeIsAnnouncedBeforeItIsWritten()
    {
        test::TempSuite temp;
        CVNSettings settings(temp.suite());
        QList<bool> storedWhenAnnounced;
        connect(&settings, &CVNSettings::rollUpChanged, this, [&] {
            storedWhenAnnounced.append(temp.suite().boolean(QStringLiteral("rollUp")));
        });
        connect(&settings, &CVNSettings::accountSettingsChanged, this,
                [&] { storedWhenAnnounced.append(temp.suite().contains(accountsKey)); });
        settings.setRollUp(true);
        settings.addAccount();
        QCOMPARE(storedWhenAnnounced, (QList<bool>{false, false}));
        QCOMPARE(temp.suite().boolean(QStringLiteral("rollUp")), true);
        QVERIFY(temp.suite().contains(accountsKey));
    }

    void accountsAreAddedCountedAndListed()
    {
        test::TempSuite temp;
        CVNSettings settings(temp.suite());
        const QUuid first = settings.addAccount();
        const QUuid second = settings.addAccount();
        const QUuid third = settings.addAccount();
        const AccountSettings added = settings.accountSettings().value(first);
        QCOMPARE(added.accountName, first);
        QCOMPARE(added.nickName, QStringLiteral("OF"));
        QCOMPARE(added.paperLiveBoth, QStringLiteral("live"));
        QVERIFY(added.watchAccount && !added.keyVerified && added.allBots && added.filterBrokers);
        QVERIFY(added.apiKey.isEmpty() && added.brokerSettings.isEmpty() && added.bots.isEmpty());

        QSignalSpy spy(&settings, &CVNSettings::accountSettingsChanged);
        settings.setAccountValue(second, Field::watchAccount, false);
        settings.setAccountValue(third, Field::keyVerified, true);
        QCOMPARE(spy.count(), 2);
        QCOMPARE(settings.watchedAccountCount(), 2);
        QCOMPARE(settings.verifiedAccountCount(), 1);

        const QList<AccountRow> rows = settings.makeAccountRows();
        QCOMPARE(rows.size(), 3);
        QVERIFY(rows[0].id < rows[1].id && rows[1].id < rows[2].id);
        // One field rewrites the whole map; its order is kept over a restart.
        CVNSettings again(temp.reopen());
        QCOMPARE(again.accountSettings(), settings.accountSettings());
        QCOMPARE(again.makeAccountRows(), rows);
    }

    void unknownAccountReadsDefaultsAndIgnoresWrites()
    {
        test::TempSuite temp;
        CVNSettings settings(temp.suite());
        const QUuid id = settings.addAccount();
        const QByteArray stored = temp.suite().data(accountsKey);
        const QUuid unknown = QUuid::createUuid();
        QCOMPARE(settings.accountValue(unknown, Field::nickName), QVariant(QString()));
        QCOMPARE(settings.accountValue(unknown, Field::watchAccount), QVariant(false));
        QVERIFY(settings.accountValue(unknown, Field::bots).value<BotSettingsList>().isEmpty());

        QSignalSpy spy(&settings, &CVNSettings::accountSettingsChanged);
        settings.setAccountValue(unknown, Field::nickName, QStringLiteral("X"));
        test::LogCapture log;
        settings.setAccountValue(id, Field::watchAccount, QStringLiteral("false"));
        settings.setAccountValue(id, Field::accountName, QVariant(unknown));
        QCOMPARE(spy.count(), 0);
        QCOMPARE(log.lines().size(), 2);
        QCOMPARE(temp.suite().data(accountsKey), stored);
        QCOMPARE(settings.accountSettings().size(), 1);
        QCOMPARE(settings.accountValue(id, Field::watchAccount), QVariant(true));
    }

    void unreadableValuesAreKeptBeforeTheDefaultLoads_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("accounts, other format")
            << accountsKey << QByteArray(R"({"accounts":[{"apiKey":"user-key"}]})");
        QTest::newRow("accounts, binary") << accountsKey << QByteArray("bplist00\x00\xd1\x01", 11);
        QTest::newRow("frequency, text") << frequencyKey << QByteArray("5 minutes");
    }

    void unreadableValuesAreKeptBeforeTheDefaultLoads()
    {
        QFETCH(QString, key);
        QFETCH(QByteArray, stored);
        const QString backup = CVNSettings::unreadableKey(key);
        test::TempSuite temp;
        temp.suite().setData(key, stored);
        test::LogCapture log;
        {
            CVNSettings settings(temp.reopen());
            QVERIFY(settings.accountSettings().isEmpty());
            QCOMPARE(settings.frequencySelection(), (FrequencySelection{0, 1}));
            QCOMPARE(log.lines().size(), 1);
            QVERIFY2(log.lines().first().contains(backup), qPrintable(log.lines().first()));
            QVERIFY(!log.lines().first().contains(QStringLiteral("user-key")));
            // The next write replaces the stored value; the user's data stays in the backup.
            settings.addAccount();
            settings.setFrequencySelection({1, 5});
        }
        QCOMPARE(temp.reopen().data(backup), stored);

        // Copied once: a later unreadable value leaves the first copy alone.
        temp.suite().setData(key, "[1,2,3]");
        log.clear();
        CVNSettings later(temp.reopen());
        QCOMPARE(temp.suite().data(backup), stored);
        QVERIFY(log.lines().isEmpty());
    }
};

CORVANE_TEST(CVNSettingsTest)
#include "test_cvnsettings.moc"
