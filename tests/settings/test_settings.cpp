#include "settings/posettings.h"
#include "settings/settings.h"
#include "settings/suite.h"
#include "support/logcapture.h"
#include "support/tempsuite.h"
#include "support/testregistry.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace corvane;
using namespace Qt::StringLiterals;
using Field = CVNSettings::AccountField;

static const QString accountsKey = u"accountSettings"_s;
static const QString frequencyKey = u"frequencySelection"_s;
static const QString secretKey = u"poSessionSecret"_s;
static const QString deviceKey = u"poDeviceUID"_s;

// The settings file, the program's settings and the Pushover registration.
class SettingsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void storedValuesLoad()
    {
        test::TempSuite temp;
        Suite& suite = temp.suite();
        suite.setText(u"paperLiveBoth"_s, u"paper"_s);
        suite.setText(u"timezone"_s, u"Europe/Oslo"_s);
        suite.setData(u"bots"_s, R"([{"botName":"A","botNumber":"1",
            "botStatus":"","botIsPaper":true,"alertOnOpen":true,"alertOnClose":false}])");
        for (const char* key : {"runOnStartup", "allBots", "rollUp", "frequencyManual",
                                "enableNotifications", "persistentNotifications"})
            suite.setBoolean(QString::fromLatin1(key), true);

        CVNSettings settings(temp.reopen());
        QCOMPARE(settings.paperLiveBoth(), PaperLiveBoth::paper);
        QCOMPARE(settings.timezone(), u"Europe/Oslo"_s);
        QCOMPARE(settings.bots().size(), 1);
        QCOMPARE(settings.bots().first()->alertOnOpen(), true);
        QVERIFY(settings.runOnStartup() && settings.allBots() && settings.rollUp() &&
                settings.frequencyManual() && settings.enableNotifications() &&
                settings.persistentNotifications());

        temp.suite().setText(u"paperLiveBoth"_s, u"LIVE"_s);
        QCOMPARE(CVNSettings(temp.suite()).paperLiveBoth(), PaperLiveBoth::both);
    }

    void defaultsAndOnlyPersistedFieldsSurviveARestart()
    {
        test::TempSuite temp;
        {
            CVNSettings settings(temp.suite());
            QVERIFY(settings.accountSettings().isEmpty() && settings.bots().isEmpty());
            QCOMPARE(settings.watchRunning(), true);
            QCOMPARE(settings.rollUpTaskBarLabel(), u"OF"_s);
            QCOMPARE(settings.frequencySelection(), (FrequencySelection{0, 1}));
            QVERIFY(!settings.runOnStartup() && !settings.rollUp() && !settings.frequencyManual() &&
                    !settings.enableNotifications());
            QVERIFY(!QFile::exists(temp.filePath())); // defaults are not written
            settings.setWatchRunning(false);
            settings.setRunOnStartup(true);
            settings.setRollUpTaskBarLabel(u"All"_s);
            settings.setRollUp(true);
            settings.setFrequencySelection({2, 20});
            settings.setFrequencyManual(true);
            settings.setEnableNotifications(true);
            settings.setTimezone(u"UTC"_s);
            settings.setAllBots(true);
            settings.setPaperLiveBoth(PaperLiveBoth::live);
            settings.setPersistentNotifications(true);
            settings.addAccount();
        }
        CVNSettings again(temp.reopen());
        QCOMPARE(again.watchRunning(), false);
        QCOMPARE(again.runOnStartup(), true);
        QCOMPARE(again.rollUpTaskBarLabel(), u"All"_s);
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
        connect(&settings, &CVNSettings::rollUpChanged, this,
                [&] { storedWhenAnnounced.append(temp.suite().boolean(u"rollUp"_s)); });
        connect(&settings, &CVNSettings::accountSettingsChanged, this,
                [&] { storedWhenAnnounced.append(temp.suite().contains(accountsKey)); });
        settings.setRollUp(true);
        settings.addAccount();
        QCOMPARE(storedWhenAnnounced, (QList<bool>{false, false}));
        QCOMPARE(temp.suite().boolean(u"rollUp"_s), true);
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
        QCOMPARE(added.nickName, u"OF"_s);
        QCOMPARE(added.paperLiveBoth, u"live"_s);
        QVERIFY(added.watchAccount && !added.keyVerified && added.allBots && added.filterBrokers);
        QVERIFY(added.apiKey.isEmpty() && added.brokerSettings.isEmpty() && added.bots.isEmpty());

        settings.setAccountValue(second, Field::watchAccount, false);
        settings.setAccountValue(third, Field::keyVerified, true);
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
        settings.setAccountValue(unknown, Field::nickName, u"X"_s);
        test::LogCapture log;
        settings.setAccountValue(id, Field::watchAccount, u"false"_s);
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
            QVERIFY(!log.lines().first().contains(u"user-key"_s));
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

    void registrationFollowsSecretAndDevice()
    {
        test::TempSuite temp;
        POSettings po(temp.suite());
        QSignalSpy registered(&po, &POSettings::poIsRegisteredChanged);
        QSignalSpy secret(&po, &POSettings::poSessionSecretChanged);

        po.setPoDeviceUID(u"device-1"_s);
        QCOMPARE(po.poIsRegistered(), false);
        QCOMPARE(registered.count(), 0);

        po.setPoSessionSecret(u"secret-1"_s);
        QCOMPARE(po.poIsRegistered(), true);
        QCOMPARE(registered.count(), 1);

        // The same secret again is announced and written, but registration does not change.
        temp.suite().setText(secretKey, u"changed behind our back"_s);
        po.setPoSessionSecret(u"secret-1"_s);
        QCOMPARE(secret.count(), 2);
        QCOMPARE(registered.count(), 1);
        QCOMPARE(temp.suite().text(secretKey), u"secret-1"_s);

        po.setPoUserKey(u"user"_s);
        po.setPoDeviceName(u"desk"_s);
        POSettings again(temp.reopen());
        QCOMPARE(again.poIsRegistered(), true);
        QCOMPARE(again.poUserKey(), u"user"_s);
        QCOMPARE(again.poDeviceName(), u"desk"_s);
        QCOMPARE(again.poDeviceUID(), u"device-1"_s);
    }

    void resetClearsDeviceThenSecret()
    {
        test::TempSuite temp;
        temp.suite().setText(secretKey, u"s"_s);
        QVERIFY(!POSettings(temp.reopen()).poIsRegistered()); // a stored secret alone is not
        temp.suite().setText(deviceKey, u"d"_s);
        temp.suite().setText(u"poEmail"_s, u"a@b.c"_s);
        POSettings po(temp.reopen());
        QStringList events;
        connect(&po, &POSettings::poDeviceUIDChanged, this,
                [&] { events.append(u"device stored="_s + temp.suite().text(deviceKey)); });
        connect(&po, &POSettings::poIsRegisteredChanged, this,
                [&](bool value) { events.append(u"registered="_s + QString::number(value)); });
        connect(&po, &POSettings::poSessionSecretChanged, this,
                [&] { events.append(u"secret"_s); });
        po.reset();
        QCOMPARE(events, (QStringList{u"device stored=d"_s, u"registered=0"_s, u"secret"_s}));
        QCOMPARE(temp.suite().text(deviceKey, u"absent"_s), QString());
        QCOMPARE(temp.suite().text(secretKey, u"absent"_s), QString());

        // poEmail is only ever loaded: a value written by others after start stays.
        temp.suite().setText(u"poEmail"_s, u"other@b.c"_s);
        po.setPoUserKey(u"u"_s);
        QCOMPARE(temp.reopen().text(u"poEmail"_s), u"other@b.c"_s);
        QCOMPARE(po.poEmail(), u"a@b.c"_s);
    }

    void valuesSurviveARestart()
    {
        test::TempSuite temp;
        Suite& suite = temp.suite();
        const QByteArray json = R"(["7C1E…",{"apiKey":"k=v;x\n"}])";
        suite.setBoolean(u"watchRunning"_s, false);
        suite.setText(u"poUserKey"_s, u"ü/=;#[x]"_s);
        suite.setData(u"accountSettings"_s, json);

        Suite& again = temp.reopen();
        QVERIFY(again.contains(u"watchRunning"_s));
        QCOMPARE(again.boolean(u"watchRunning"_s, true), false);
        QCOMPARE(again.text(u"poUserKey"_s), u"ü/=;#[x]"_s);
        QCOMPARE(again.data(u"accountSettings"_s), json);
    }

    void fileIsReadableByItsOwnerOnly()
    {
        test::TempSuite temp;
        temp.suite().setText(u"poSessionSecret"_s, u"s3cret"_s);
        const auto permissions = QFile::permissions(temp.filePath());
        QVERIFY(permissions & QFile::ReadOwner);
        QVERIFY(!(permissions & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther)));

        // A file someone loosened is tightened again at the next write.
        QFile::setPermissions(temp.filePath(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
        temp.suite().setBoolean(u"rollUp"_s, true);
        QVERIFY(!(QFile::permissions(temp.filePath()) & QFile::ReadOther));
    }

    // A file that cannot be read is copied beside itself, owner-only, before the first write
    // replaces it; a later unreadable file gets a copy of its own.
    void corruptFileGivesDefaultsAndIsCopiedBeforeAWrite()
    {
        test::TempSuite temp;
        const QByteArray garbage("\x00\x01[[[=\xff\xfe\nwatchRunning\n@ByteArray(", 31);
        const auto corrupt = [&](const QByteArray& bytes) {
            QFile file(temp.filePath());
            return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                   file.write(bytes) == bytes.size();
        };
        const auto contents = [](const QString& path) {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        QVERIFY(!temp.suite().wasUnreadable());
        QVERIFY(corrupt(garbage));
        test::LogCapture log;
        Suite& suite = temp.reopen();
        QCOMPARE(suite.boolean(u"watchRunning"_s, true), true);
        QCOMPARE(suite.text(u"rollUpTaskBarLabel"_s, u"OF"_s), u"OF"_s);
        QVERIFY(suite.data(u"accountSettings"_s).isEmpty());
        QVERIFY(suite.wasUnreadable());
        const QString copy = temp.filePath() + u".unreadable"_s;
        QCOMPARE(suite.unreadableCopy(), copy);
        QCOMPARE(contents(copy), garbage);
        QVERIFY(!(QFile::permissions(copy) & (QFile::ReadGroup | QFile::ReadOther)));
        QCOMPARE(log.lines(),
                 QStringList(QStringLiteral("The settings file %1 could not be read; "
                                            "it was copied to %2 and defaults are used.")
                                 .arg(temp.filePath(), copy)));

        suite.setBoolean(u"rollUp"_s, true);
        QCOMPARE(temp.reopen().boolean(u"rollUp"_s), true);
        QVERIFY(!temp.suite().wasUnreadable());
        QCOMPARE(contents(copy), garbage);

        QVERIFY(corrupt("{\"accountSettings\": []}\n"));
        QCOMPARE(temp.reopen().unreadableCopy(), copy + u"-2"_s);
        QCOMPARE(contents(copy), garbage);
    }
};

CORVANE_TEST(SettingsTest)
#include "test_settings.moc"
