#include "settings/keychain.h"
#include "settings/posettings.h"
#include "settings/secretstore.h"
#include "settings/settings.h"
#include "settings/suite.h"
#include "support/logcapture.h"
#include "support/testregistry.h"

#include <QCoro/QCoroTask>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/prctl.h>

using namespace corvane;
using namespace Qt::StringLiterals;
using Location = SecretStore::Location;

namespace {

const QString secretsService = u"org.freedesktop.secrets"_s;
const QString login = u"/org/freedesktop/secrets/collection/login"_s;
const QByteArray password = "corvane-test";

QString fileText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QDBusMessage secretCall(const QString& path, const QString& interface, const QString& method,
                        const QVariantList& arguments = {})
{
    QDBusMessage call = QDBusMessage::createMethodCall(secretsService, path, interface, method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call);
}

QVariant property(const QString& path, const QString& interface, const QString& name)
{
    const QDBusMessage reply =
        secretCall(path, u"org.freedesktop.DBus.Properties"_s, u"Get"_s, {interface, name});
    return reply.arguments().value(0).value<QDBusVariant>().variant();
}

// The labels of the items in the test's login collection, as a keyring manager lists them.
QStringList keyringLabels()
{
    QList<QDBusObjectPath> items;
    property(login, u"org.freedesktop.Secret.Collection"_s, u"Items"_s).value<QDBusArgument>() >>
        items;
    QStringList labels;
    for (const QDBusObjectPath& item : items)
        labels << property(item.path(), u"org.freedesktop.Secret.Item"_s, u"Label"_s).toString();
    labels.sort();
    return labels;
}

void lockKeyring()
{
    secretCall(u"/org/freedesktop/secrets"_s, u"org.freedesktop.Secret.Service"_s, u"Lock"_s,
               {QVariant::fromValue(QList<QDBusObjectPath>{QDBusObjectPath(login)})});
}

// What the user does at the unlock prompt, without a prompt.
bool unlockKeyring()
{
    const QDBusMessage session =
        secretCall(u"/org/freedesktop/secrets"_s, u"org.freedesktop.Secret.Service"_s,
                   u"OpenSession"_s, {u"plain"_s, QVariant::fromValue(QDBusVariant(QString()))});
    // The Secret Service's secret: session, parameters, value, content type.
    QDBusArgument secret;
    secret.beginStructure();
    secret << session.arguments().value(1).value<QDBusObjectPath>() << QByteArray() << password
           << u"text/plain"_s;
    secret.endStructure();
    const QDBusMessage reply =
        secretCall(u"/org/freedesktop/secrets"_s,
                   u"org.gnome.keyring.InternalUnsupportedGuiltRiddenInterface"_s,
                   u"UnlockWithMasterPassword"_s,
                   {QVariant::fromValue(QDBusObjectPath(login)), QVariant::fromValue(secret)});
    return reply.type() == QDBusMessage::ReplyMessage;
}

// The settings as one launch of the program builds them, with the keyring on the session bus.
struct Launch {
    explicit Launch(const QString& path)
        : suite(path)
        , settings(suite)
        , pushover(suite)
        , keychain(QDBusConnection::sessionBus())
        , store(suite, settings, pushover, &keychain)
    {}

    // The launch's wait, then the move into the keyring that follows it.
    void load()
    {
        QSignalSpy settled(&store, &SecretStore::settled);
        QCoro::waitFor(store.load());
        QVERIFY(settle(settled));
    }
    QString apiKey(const QUuid& id) const { return settings.accountSettings().value(id).apiKey; }
    // Waits for the keyring to answer everything the last change asked of it.
    bool settle(QSignalSpy& settled) { return settled.count() > 0 || settled.wait(30000); }

    Suite suite;
    CVNSettings settings;
    POSettings pushover;
    Keychain keychain;
    SecretStore store;
};

AccountSettings account(const QString& nickname, const QString& key)
{
    AccountSettings account = AccountSettings::newAccount();
    account.nickName = nickname;
    account.apiKey = key;
    return account;
}

} // namespace

// Against a real Secret Service: gnome-keyring on a session bus of the test's own, started
// with an unlocked login collection in a home folder of its own.
class KeyringTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // GLib ends a process whose session bus goes away, so the daemon outlives every
        // connection: it is never stopped here and goes when this process does.
        auto* bus = new QProcess;
        bus->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        bus->start(u"dbus-daemon"_s,
                   {u"--config-file="_s + QStringLiteral(CORVANE_SESSION_BUS_CONFIG), u"--nofork"_s,
                    u"--print-address=1"_s});
        QVERIFY(bus->waitForStarted() && bus->waitForReadyRead());
        const QByteArray address = bus->readLine().trimmed();
        QVERIFY(!address.isEmpty());
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        QVERIFY(QDBusConnection::sessionBus().isConnected());
    }

    void cleanupTestCase()
    {
        m_keyring.terminate();
        m_keyring.waitForFinished();
    }

    // Before the keyring starts: a bare window manager or a server.
    void withoutSecretServiceTheFileKeepsTheSecrets()
    {
        const QString path = m_dir.filePath(u"bare.conf"_s);
        const AccountSettings main = account(u"Main"_s, u"key-bare-1"_s);
        {
            Suite suite(path);
            CVNSettings(suite).setAccount(main);
            POSettings(suite).setPoSessionSecret(u"po-bare"_s);
        }
        test::LogCapture log;
        Launch launch(path);
        launch.load();
        QCOMPARE(launch.store.location(), Location::noService);
        QCOMPARE(launch.apiKey(main.accountName), u"key-bare-1"_s);
        QVERIFY(fileText(path).contains(u"key-bare-1"_s));
        QVERIFY(fileText(path).contains(u"po-bare"_s));
        QVERIFY(launch.settings.secretsLocation().contains(path));
        // Said once, however many edits follow.
        launch.settings.setAccount(account(u"Other"_s, u"key-bare-2"_s));
        QCOMPARE(log.count(u"No Secret Service is running; API keys and the Pushover secret "
                           "stay in "_s +
                           path + u'.'),
                 1);
        QVERIFY(fileText(path).contains(u"key-bare-2"_s));
    }

    void secretsMoveToTheKeyringAndComeBackAfterARestart()
    {
        startKeyring();
        const QString path = m_dir.filePath(u"moved.conf"_s);
        const AccountSettings main = account(u"Main"_s, u"key-main-1"_s);
        const AccountSettings ira = account(u"IRA"_s, u"key-ira-2"_s);
        {
            Suite suite(path);
            CVNSettings settings(suite);
            settings.setAccount(main);
            settings.setAccount(ira);
            POSettings pushover(suite);
            pushover.setPoSessionSecret(u"po-secret-3"_s);
            pushover.setPoDeviceUID(u"device-4"_s);
        }
        {
            Launch first(path);
            first.load();
            QCOMPARE(first.store.location(), Location::keyring);
            QCOMPARE(first.apiKey(ira.accountName), u"key-ira-2"_s);
            QCOMPARE(first.pushover.poSessionSecret(), u"po-secret-3"_s);
        }
        const QString stored = fileText(path);
        for (const QString& secret : {u"key-main-1"_s, u"key-ira-2"_s, u"po-secret-3"_s})
            QVERIFY2(!stored.contains(secret), qPrintable(stored));
        QVERIFY(stored.contains(u"device-4"_s));
        QCOMPARE(keyringLabels(), (QStringList{u"Corvane: Orrisfield API key (IRA)"_s,
                                               u"Corvane: Orrisfield API key (Main)"_s,
                                               u"Corvane: Pushover session secret"_s}));

        Launch again(path);
        QCOMPARE(again.apiKey(main.accountName), QString());
        QVERIFY(!again.pushover.poIsRegistered());
        again.load();
        QCOMPARE(again.apiKey(main.accountName), u"key-main-1"_s);
        QCOMPARE(again.apiKey(ira.accountName), u"key-ira-2"_s);
        QVERIFY(again.pushover.poIsRegistered());

        // A new key reaches the keyring and only then leaves the file; a new nickname renames
        // the item rather than leaving the old one behind.
        QSignalSpy settled(&again.store, &SecretStore::settled);
        AccountSettings renamed = again.settings.accountSettings().value(main.accountName);
        renamed.nickName = u"Core"_s;
        renamed.apiKey = u"key-main-5"_s;
        again.settings.setAccount(renamed);
        QVERIFY(fileText(path).contains(u"key-main-5"_s));
        QVERIFY(again.settle(settled));
        QVERIFY(!fileText(path).contains(u"key-main-5"_s));
        QCOMPARE(keyringLabels(), (QStringList{u"Corvane: Orrisfield API key (Core)"_s,
                                               u"Corvane: Orrisfield API key (IRA)"_s,
                                               u"Corvane: Pushover session secret"_s}));

        // Removing an account removes its key; resetting Pushover removes the session secret.
        settled.clear();
        again.settings.removeAccount(ira.accountName);
        QVERIFY(again.settle(settled));
        settled.clear();
        again.pushover.reset();
        QVERIFY(again.settle(settled));
        QCOMPARE(keyringLabels(), QStringList{u"Corvane: Orrisfield API key (Core)"_s});
        QVERIFY(!fileText(path).contains(ira.accountName.toString(QUuid::WithoutBraces).toUpper()));

        Launch third(path);
        third.load();
        QCOMPARE(third.apiKey(main.accountName), u"key-main-5"_s);
        QVERIFY(third.pushover.poSessionSecret().isEmpty());
    }

    void aLockedKeyringLosesNothingAndIsWaitedFor()
    {
        startKeyring();
        const QString path = m_dir.filePath(u"locked.conf"_s);
        const AccountSettings main = account(u"Locked"_s, u"key-locked-1"_s);
        {
            Suite suite(path);
            CVNSettings(suite).setAccount(main);
        }
        lockKeyring();
        {
            // Nothing is written into a locked keyring: a write would raise the password prompt.
            test::LogCapture log;
            Launch refused(path);
            refused.load();
            QCOMPARE(refused.store.location(), Location::refused);
            QVERIFY(
                log.contains(u"The keyring is locked; API keys and the Pushover secret stay in "_s +
                             path + u" until it is unlocked."_s));
            QCOMPARE(refused.apiKey(main.accountName), u"key-locked-1"_s);
            QVERIFY(fileText(path).contains(u"key-locked-1"_s));
            QVERIFY(refused.settings.secretsLocation().contains(path));

            // Unlocked later: the key moves without a restart.
            QSignalSpy settled(&refused.store, &SecretStore::settled);
            QVERIFY(unlockKeyring());
            QVERIFY(refused.settle(settled));
            QCOMPARE(refused.store.location(), Location::keyring);
            QVERIFY(!fileText(path).contains(u"key-locked-1"_s));
        }

        // The key is only in the locked keyring now: the launch waits until it is unlocked.
        lockKeyring();
        test::LogCapture log;
        Launch waiting(path);
        QSignalSpy settled(&waiting.store, &SecretStore::settled);
        QCoro::Task<> loading = waiting.store.load();
        QTRY_COMPARE_WITH_TIMEOUT(waiting.store.location(), Location::locked, 30000);
        QVERIFY(!loading.isReady());
        QCOMPARE(waiting.apiKey(main.accountName), QString());
        QVERIFY(log.contains(u"The keyring is locked; Corvane waits until it is unlocked."_s));
        QVERIFY(unlockKeyring());
        QVERIFY(waiting.settle(settled));
        QVERIFY(loading.isReady());
        QCOMPARE(waiting.apiKey(main.accountName), u"key-locked-1"_s);
        QVERIFY(!fileText(path).contains(u"key-locked-1"_s));
    }

    void keepSecretsInFileBringsThemBack()
    {
        startKeyring();
        const QString path = m_dir.filePath(u"back.conf"_s);
        const AccountSettings main = account(u"Back"_s, u"key-back-1"_s);
        {
            Suite suite(path);
            CVNSettings(suite).setAccount(main);
        }
        {
            Launch moved(path);
            moved.load();
        }
        QVERIFY(keyringLabels().contains(u"Corvane: Orrisfield API key (Back)"_s));
        Suite(path).setBoolean(SecretStore::keepInFileKey(), true);

        Launch back(path);
        back.load();
        QCOMPARE(back.store.location(), Location::turnedOff);
        QCOMPARE(back.apiKey(main.accountName), u"key-back-1"_s);
        QVERIFY(fileText(path).contains(u"key-back-1"_s));
        QVERIFY(!keyringLabels().contains(u"Corvane: Orrisfield API key (Back)"_s));
        QVERIFY(!fileText(path).contains(SecretStore::indexKey()));
    }

private:
    void startKeyring()
    {
        if (m_keyring.state() == QProcess::Running)
            return;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        const QString home = m_dir.filePath(u"home"_s);
        for (const char* folder :
             {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
            const QString where = home + u'/' + QString::fromLatin1(folder);
            QVERIFY(QDir().mkpath(where));
            QFile::setPermissions(where, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            environment.insert(QString::fromLatin1(folder), where);
        }
        environment.remove(u"GNOME_KEYRING_CONTROL"_s);
        m_keyring.setProcessEnvironment(environment);
        m_keyring.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_keyring.start(u"gnome-keyring-daemon"_s,
                        {u"--unlock"_s, u"--components=secrets"_s, u"--foreground"_s});
        QVERIFY2(m_keyring.waitForStarted(), "gnome-keyring-daemon is not installed");
        m_keyring.write(password);
        m_keyring.closeWriteChannel();
        QVERIFY(QTest::qWaitFor(
            [] {
                return QDBusConnection::sessionBus().interface()->isServiceRegistered(
                    secretsService);
            },
            30000));
    }

    QTemporaryDir m_dir;
    QProcess m_keyring;
};

CORVANE_TEST(KeyringTest)

#include "test_keyring.moc"
