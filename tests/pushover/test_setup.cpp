#include "pushover/poapimanager.h"
#include "pushover/pushoverwebsocketmanager.h"
#include "pushoverrig.h"
#include "settings/suite.h"
#include "support/logcapture.h"
#include "support/tempsuite.h"
#include "support/testregistry.h"

#include <QCoro/QCoroTask>
#include <QSignalSpy>
#include <QTest>

using namespace corvane;
using namespace corvane::test;

namespace {
const QString success = QStringLiteral(
    "Pushover setup was successful. You'll now receive Orrisfield notifications in corvane.");
const QString advice = QStringLiteral(". The device name might already be in use. Either use a "
                                      "different device name or delete the existing device from "
                                      "Pushover.");
} // namespace

// Login and device registration against the fake service over real TLS.
class PushoverSetupTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The switch is off until a device exists; the registration turns it on (stored), and the
    // socket follows the switch both ways.
    void registersEmptiesTheBacklogAndOpensTheSocket()
    {
        PushoverRig rig;
        QVERIFY2(rig.problem().isEmpty(), qPrintable(rig.problem()));
        rig.pushover().addAccount(rig.email(), rig.password());
        // Waiting before the device exists: the set-up drops these without showing them.
        rig.pushover().queueMessage(platformMessage(QStringLiteral("old fill")));
        const qint64 newest = rig.pushover().queueMessage(platformMessage(QStringLiteral("old")));

        // The root's own set-up client, wired to open the root's socket.
        QSignalSpy loggedIn(&rig.socket(), &fake::PushSocket::loggedIn);
        POApiManager& api = rig.core().pushoverSetup();
        QSignalSpy loading(&api, &POApiManager::isLoadingChanged);
        LogCapture log;
        QCoro::waitFor(api.setupPushover(rig.email(), rig.password(), QStringLiteral("desk_1")));

        QCOMPARE(api.statusMessage(), success);
        QCOMPARE(api.errorMessage(), QString());
        QVERIFY(!api.isLoading() && !api.requires2FA());
        QCOMPARE(loading.count(), 2);
        POSettings& store = rig.settings();
        QVERIFY(store.poIsRegistered());
        QVERIFY(!store.poSessionSecret().isEmpty() && !store.poUserKey().isEmpty());
        QCOMPARE(store.poDeviceName(), QStringLiteral("desk_1"));

        // "&", "=", "+", "%" and spaces are encoded, so the form holds exactly these two fields.
        const auto logins = rig.requestsTo(QStringLiteral("/1/users/login.json"));
        QCOMPARE(logins.size(), 1);
        QCOMPARE(logins[0].form, (fake::Pairs{{QStringLiteral("email"), rig.email()},
                                              {QStringLiteral("password"), rig.password()}}));
        QCOMPARE(logins[0].header("Content-Type"), QByteArray("application/x-www-form-urlencoded"));
        const auto devices = rig.requestsTo(QStringLiteral("/1/devices.json"));
        QCOMPARE(devices.size(), 1);
        QCOMPARE(fake::valueOf(devices[0].form, QStringLiteral("os")), QStringLiteral("O"));
        QCOMPARE(fake::valueOf(devices[0].form, QStringLiteral("secret")), store.poSessionSecret());

        const auto acks = rig.requestsTo(rig.ackPath());
        QCOMPARE(acks.size(), 1);
        QCOMPARE(fake::valueOf(acks[0].form, QStringLiteral("message")), QString::number(newest));
        QVERIFY(log.contains(QStringLiteral("Highest message ID: ") + QString::number(newest)));
        QVERIFY(log.contains(QStringLiteral("Message delete status: 1")));
        for (const QString& line : log.lines())
            QVERIFY2(!line.contains(rig.password()) && !line.contains(store.poSessionSecret()),
                     qPrintable(line));

        QTRY_COMPARE(loggedIn.count(), 1);
        QTest::qWait(600); // longer than the notification delay
        QVERIFY(rig.recorder().calls().isEmpty());
        QVERIFY(log.contains(QStringLiteral("User has already granted notification permissions.")));
        QVERIFY(rig.core().settings().enableNotifications());
        QVERIFY(
            Suite(rig.core().suite().filePath()).boolean(QStringLiteral("enableNotifications")));
        QVERIFY(rig.core().socket().isSocketRunning());

        rig.core().settings().setEnableNotifications(false);
        QVERIFY(!rig.core().socket().isSocketRunning());
        QTRY_COMPARE(rig.socket().closeCodes(), QList<int>{1001});
    }

    // The login form holds the password: a redirect to another host must not carry it there.
    void redirectsToAnotherHostAreNotFollowed()
    {
        PushoverRig rig;
        QVERIFY2(rig.problem().isEmpty(), qPrintable(rig.problem()));
        rig.pushover().addAccount(rig.email(), rig.password());
        const QString path = QStringLiteral("/1/users/login.json");
        QUrl elsewhere = rig.fake().pushoverUrl();
        elsewhere.setHost(QStringLiteral("localhost")); // same server, other origin
        elsewhere.setPath(path);
        fake::Fault redirect{path, fake::Fault::Kind::redirect};
        redirect.location = elsewhere.toEncoded();
        rig.fake().injectFault(redirect);
        POApiManager api(rig.network(), rig.settings(), rig.endpoints().api);
        QCoro::waitFor(api.setupPushover(rig.email(), rig.password(), QStringLiteral("desk")));

        QCOMPARE(rig.requestsTo(path).size(), 1);
        QVERIFY(!rig.settings().poIsRegistered());
        QVERIFY2(api.errorMessage().startsWith(QStringLiteral("Pushover setup failed: ")),
                 qPrintable(api.errorMessage()));
    }

    void failuresLeaveTheirTexts_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("nameTaken");
        QTest::addColumn<QString>("path");      // empty: the service answers itself
        QTest::addColumn<QByteArray>("answer"); // empty: the connection drops
        QTest::addColumn<QString>("reason");    // empty: the network's own text
        QTest::addColumn<bool>("secretKept");
        const QString login = QStringLiteral("/1/users/login.json");
        const QString http400 = QStringLiteral("The server sent a bad response (HTTP 400)");
        QTest::newRow("wrong password")
            << QStringLiteral("wrong") << false << QString() << QByteArray() << http400 << false;
        // A taken name comes after a good login, so the login's secret and user key stay.
        QTest::newRow("device name taken")
            << PushoverRig::password() << true << QString() << QByteArray() << http400 << true;
        QTest::newRow("login without user key")
            << PushoverRig::password() << false << login
            << QByteArray(R"({"status":1,"request":"r","secret":"s"})")
            << QStringLiteral("Login failed. Check your credentials and try again") << false;
        QTest::newRow("registration without device id")
            << PushoverRig::password() << false << QStringLiteral("/1/devices.json")
            << QByteArray(R"({"status":1,"request":"r"})")
            << QStringLiteral("Could not register your device. Try again in 10 minutes.") << true;
        QTest::newRow("dropped login")
            << PushoverRig::password() << false << login << QByteArray() << QString() << false;
    }

    void failuresLeaveTheirTexts()
    {
        QFETCH(QString, password);
        QFETCH(bool, nameTaken);
        QFETCH(QString, path);
        QFETCH(QByteArray, answer);
        QFETCH(QString, reason);
        QFETCH(bool, secretKept);
        PushoverRig rig;
        QVERIFY2(rig.problem().isEmpty(), qPrintable(rig.problem()));
        rig.pushover().addAccount(rig.email(), rig.password());
        if (nameTaken) {
            // Another install of the same account already holds the name.
            TempSuite otherSuite;
            POSettings other(otherSuite.suite());
            POApiManager first(rig.network(), other, rig.endpoints().api);
            QCoro::waitFor(
                first.setupPushover(rig.email(), rig.password(), QStringLiteral("desk")));
            QVERIFY(other.poIsRegistered());
        }
        if (!path.isEmpty() && answer.isEmpty())
            rig.breakPath(path, fake::Fault::Kind::drop);
        else if (!path.isEmpty())
            rig.fake().setAnswer(path, {}, 200, answer);
        POApiManager api(rig.network(), rig.settings(), rig.endpoints().api);
        QSignalSpy errors(&api, &POApiManager::errorMessageChanged);
        LogCapture log;
        QCoro::waitFor(api.setupPushover(rig.email(), password, QStringLiteral("desk")));

        const QString error = api.errorMessage();
        const QString prefix = QStringLiteral("Pushover setup failed: ");
        if (reason.isEmpty())
            QVERIFY2(error.startsWith(prefix) && error.endsWith(advice) &&
                         !error.contains(QStringLiteral("bad response")),
                     qPrintable(error));
        else
            QCOMPARE(error, prefix + reason + advice);
        QCOMPARE(api.statusMessage(), QString());
        QVERIFY(!api.isLoading() && !api.requires2FA());
        // A refusal by the service: first the call's own text, then the set-up's.
        if (path.isEmpty())
            QCOMPARE(errors.count(), 2);
        const QString logged = QStringLiteral("There was an error with the registration process: ");
        QVERIFY(log.contains(logged + error.mid(prefix.size()).chopped(advice.size())));
        QVERIFY(!rig.settings().poIsRegistered());
        QVERIFY(rig.settings().poDeviceUID().isEmpty());
        QCOMPARE(!rig.settings().poSessionSecret().isEmpty(), secretKept);
        QCOMPARE(!rig.settings().poUserKey().isEmpty(), secretKept);
    }
};

CORVANE_TEST(PushoverSetupTest)
#include "test_setup.moc"
