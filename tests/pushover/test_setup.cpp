#include "pushover/poapimanager.h"
#include "pushover/pushoverwebsocketmanager.h"
#include "pushoverrig.h"
#include "support/logcapture.h"
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
    void registersEmptiesTheBacklogAndOpensTheSocket()
    {
        PushoverRig rig;
        QVERIFY2(rig.problem().isEmpty(), qPrintable(rig.problem()));
        rig.pushover().addAccount(rig.email(), rig.password());
        // Waiting before the device exists: the set-up drops these without showing them.
        rig.pushover().queueMessage(platformMessage(QStringLiteral("old fill")));
        const qint64 newest = rig.pushover().queueMessage(platformMessage(QStringLiteral("old")));

        PushoverWebSocketManager socket(rig.network(), rig.settings(), nullptr);
        QSignalSpy loggedIn(&rig.socket(), &fake::PushSocket::loggedIn);
        POApiManager api(rig.network(), rig.settings(), &socket);
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

        // The password's "&" and "=" are encoded, so the form holds exactly two fields.
        const auto logins = rig.requestsTo(QStringLiteral("/1/users/login.json"));
        QCOMPARE(logins.size(), 1);
        QCOMPARE(logins[0].form, (fake::Pairs{{QStringLiteral("email"), rig.email()},
                                              {QStringLiteral("password"), rig.password()}}));
        QCOMPARE(logins[0].header("Content-Type"), QByteArray("application/x-www-form-urlencoded"));
        const auto devices = rig.requestsTo(QStringLiteral("/1/devices.json"));
        QCOMPARE(devices.size(), 1);
        QCOMPARE(fake::valueOf(devices[0].form, QStringLiteral("os")), QStringLiteral("O"));
        QCOMPARE(fake::valueOf(devices[0].form, QStringLiteral("secret")), store.poSessionSecret());

        const auto acks = rig.requestsTo(QStringLiteral("/1/devices/") + store.poDeviceUID() +
                                         QStringLiteral("/update_highest_message.json"));
        QCOMPARE(acks.size(), 1);
        QCOMPARE(fake::valueOf(acks[0].form, QStringLiteral("message")), QString::number(newest));
        QVERIFY(log.contains(QStringLiteral("Highest message ID: ") + QString::number(newest)));
        QVERIFY(log.contains(QStringLiteral("Message delete status: 1")));
        for (const QString& line : log.lines())
            QVERIFY2(!line.contains(rig.password()) && !line.contains(store.poSessionSecret()),
                     qPrintable(line));

        QTRY_COMPARE(loggedIn.count(), 1);
        QCOMPARE(loggedIn.first().first().toString(), store.poDeviceUID());
        QTest::qWait(600); // longer than the notification delay
        QVERIFY(rig.recorder().calls().isEmpty());
    }

    void anEmptyBacklogStillSucceeds()
    {
        PushoverRig rig;
        QVERIFY2(rig.problem().isEmpty(), qPrintable(rig.problem()));
        LogCapture log;
        QVERIFY(rig.registerDevice());
        QVERIFY(log.contains(QStringLiteral("No messages to delete")));
        QVERIFY(rig.requestsTo(QStringLiteral("/1/devices/") + rig.settings().poDeviceUID() +
                               QStringLiteral("/update_highest_message.json"))
                    .isEmpty());
    }

    void twoFactorAccountsNeedTheCode()
    {
        PushoverRig rig;
        QVERIFY2(rig.problem().isEmpty(), qPrintable(rig.problem()));
        rig.pushover().addAccount(rig.email(), rig.password(), QStringLiteral("123456"));
        POApiManager api(rig.network(), rig.settings(), nullptr);

        QCoro::waitFor(api.setupPushover(rig.email(), rig.password(), QStringLiteral("desk")));
        QVERIFY(api.requires2FA());
        QCOMPARE(api.statusMessage(), QStringLiteral("Two-factor authentication required."));
        QCOMPARE(api.errorMessage(), QString());
        QVERIFY(!api.isLoading());
        QVERIFY(rig.settings().poSessionSecret().isEmpty());
        QVERIFY(!fake::valueOf(rig.requestsTo(QStringLiteral("/1/users/login.json"))[0].form,
                               QStringLiteral("twofa")));

        QCoro::waitFor(api.setupPushover(rig.email(), rig.password(), QStringLiteral("desk"),
                                         QStringLiteral("123456")));
        QCOMPARE(api.statusMessage(), success);
        QVERIFY(rig.settings().poIsRegistered());
        const auto logins = rig.requestsTo(QStringLiteral("/1/users/login.json"));
        QCOMPARE(logins.size(), 2);
        QCOMPARE(fake::valueOf(logins[1].form, QStringLiteral("twofa")), QStringLiteral("123456"));
    }

    void failuresLeaveTheirTexts_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("nameTaken");
        QTest::addColumn<QString>("errorMessage");
        QTest::addColumn<bool>("secretKept");
        QTest::newRow("wrong password")
            << QStringLiteral("wrong") << false
            << QStringLiteral("Pushover setup failed: The server sent a bad response (HTTP 400)") +
                   advice
            << false;
        QTest::newRow("device name taken")
            << PushoverRig::password() << true
            << QStringLiteral("Pushover setup failed: The server sent a bad response (HTTP 400)") +
                   advice
            << true;
    }

    void failuresLeaveTheirTexts()
    {
        QFETCH(QString, password);
        QFETCH(bool, nameTaken);
        QFETCH(QString, errorMessage);
        QFETCH(bool, secretKept);
        PushoverRig rig;
        QVERIFY2(rig.problem().isEmpty(), qPrintable(rig.problem()));
        rig.pushover().addAccount(rig.email(), rig.password());
        if (nameTaken) {
            // Another install of the same account already holds the name.
            TempSuite otherSuite;
            POSettings other(otherSuite.suite());
            POApiManager first(rig.network(), other, nullptr);
            QCoro::waitFor(
                first.setupPushover(rig.email(), rig.password(), QStringLiteral("desk")));
            QVERIFY(other.poIsRegistered());
        }
        POApiManager api(rig.network(), rig.settings(), nullptr);
        QSignalSpy errors(&api, &POApiManager::errorMessageChanged);
        LogCapture log;
        QCoro::waitFor(api.setupPushover(rig.email(), password, QStringLiteral("desk")));

        QCOMPARE(api.errorMessage(), errorMessage);
        QCOMPARE(api.statusMessage(), QString());
        QVERIFY(!api.isLoading() && !api.requires2FA());
        // First the call's own text, then the set-up's.
        QCOMPARE(errors.count(), 2);
        QVERIFY(log.contains(QStringLiteral("There was an error with the registration process: "
                                            "The server sent a bad response (HTTP 400)")));
        QVERIFY(!rig.settings().poIsRegistered());
        QVERIFY(rig.settings().poDeviceUID().isEmpty());
        QCOMPARE(!rig.settings().poSessionSecret().isEmpty(), secretKept);
        QCOMPARE(!rig.settings().poUserKey().isEmpty(), secretKept);
    }

    void answersWithoutTheNeededFieldsFail()
    {
        PushoverRig rig;
        QVERIFY2(rig.problem().isEmpty(), qPrintable(rig.problem()));
        rig.pushover().addAccount(rig.email(), rig.password());
        POApiManager api(rig.network(), rig.settings(), nullptr);

        rig.fake().setAnswer(QStringLiteral("/1/users/login.json"), {}, 200,
                             R"({"status":1,"request":"r","secret":"s"})");
        QCoro::waitFor(api.setupPushover(rig.email(), rig.password(), QStringLiteral("desk")));
        QCOMPARE(api.errorMessage(), QStringLiteral("Pushover setup failed: Login failed. Check "
                                                    "your credentials and try again") +
                                         advice);
        QVERIFY(rig.settings().poSessionSecret().isEmpty());

        rig.fake().clearAnswers();
        rig.fake().setAnswer(QStringLiteral("/1/devices.json"), {}, 200,
                             R"({"status":1,"request":"r"})");
        QCoro::waitFor(api.setupPushover(rig.email(), rig.password(), QStringLiteral("desk")));
        QCOMPARE(api.errorMessage(), QStringLiteral("Pushover setup failed: Could not register "
                                                    "your device. Try again in 10 minutes.") +
                                         advice);
        QVERIFY(!rig.settings().poSessionSecret().isEmpty());
        QVERIFY(!rig.settings().poIsRegistered());
    }

    void aDroppedConnectionIsReportedWithTheNetworksText()
    {
        PushoverRig rig;
        QVERIFY2(rig.problem().isEmpty(), qPrintable(rig.problem()));
        fake::Fault drop;
        drop.path = QStringLiteral("/1/users/login.json");
        drop.kind = fake::Fault::Kind::Drop;
        drop.sticky = true;
        rig.fake().injectFault(drop);
        POApiManager api(rig.network(), rig.settings(), nullptr);
        QCoro::waitFor(api.setupPushover(rig.email(), rig.password(), QStringLiteral("desk")));
        QVERIFY2(api.errorMessage().startsWith(QStringLiteral("Pushover setup failed: ")) &&
                     api.errorMessage().endsWith(advice) &&
                     !api.errorMessage().contains(QStringLiteral("bad response")),
                 qPrintable(api.errorMessage()));
        QVERIFY(!api.isLoading());
    }
};

CORVANE_TEST(PushoverSetupTest)
#include "test_setup.moc"
