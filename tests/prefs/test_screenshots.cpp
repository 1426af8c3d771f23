#include "prefsrig.h"
#include "pushover/poapimanager.h"
#include "pushoverrig.h"
#include "views/accountsview.h"
#include "views/brokerlistsheet.h"
#include "views/firstrunwindow.h"
#include "views/generalsettingsview.h"
#include "views/notificationsettingsview.h"

#include <QDialog>
#include <QTest>

namespace corvane::test {

// Pictures of every settings page and of the first-run window, light and dark, for a person to
// look at; on the way, every control that Tab reaches must carry a name for screen readers.
class ScreenshotsTest final : public QObject {
    Q_OBJECT

    fake::FakeServices m_fake;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_fake.start(), qPrintable(m_fake.errorString()));
        m_fake.trustInProcess();
    }

    void cleanupTestCase() { useAppearance(false); }

    void pages_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }

    void pages()
    {
        QFETCH(bool, dark);
        useAppearance(dark);
        PrefsRig rig(m_fake);
        const QUuid id =
            rig.addAccount(goodKey, true,
                           {QStringLiteral("bc_8f21a0c4:ew"), QStringLiteral("bc_3d77e15b:ew"),
                            QStringLiteral("bc_old1:")});
        AccountSettings account = rig.settings.accountSettings().value(id);
        account.filterBrokers = false;
        account.brokerSettings[1].nickname.clear();
        rig.settings.setAccount(account);
        rig.addAccount(QStringLiteral("typed-but-unverified"), false);

        AccountsView accounts(rig.settings, rig.verifier, false);
        accounts.resize(560, 440);
        accounts.show();
        saveScreenshot(&accounts, QStringLiteral("accounts"), dark);
        QCOMPARE(unnamedTabStops(&accounts), QStringList());

        BrokerListSheet brokers(rig.settings, id);
        brokers.show();
        saveScreenshot(&brokers, QStringLiteral("brokers"), dark);
        QCOMPARE(unnamedTabStops(&brokers), QStringList());

        GeneralSettingsView general(rig.settings, rig.stateManager);
        general.resize(560, 360);
        general.show();
        saveScreenshot(&general, QStringLiteral("general"), dark);
        QCOMPARE(unnamedTabStops(&general), QStringList());

        PushoverRig pushover;
        QVERIFY2(pushover.problem().isEmpty(), qPrintable(pushover.problem()));
        PushoverWebSocketManager socket(pushover.network(), pushover.settings(), nullptr,
                                        quickTiming());
        NotificationSettingsView notifications(rig.settings, pushover.settings(),
                                               pushover.network(), socket);
        notifications.poApiManager().setStatusMessage(
            QStringLiteral("Two-factor authentication required."));
        notifications.poApiManager().setErrorMessage(
            QStringLiteral("Pushover setup failed: invalid password."));
        notifications.resize(560, 440);
        notifications.show();
        saveScreenshot(&notifications, QStringLiteral("notifications-form"), dark);
        QCOMPARE(unnamedTabStops(&notifications), QStringList());
        notifications.poApiManager().setErrorMessage({});
        pushover.settings().setPoDeviceName(QStringLiteral("desk_linux"));
        pushover.settings().setPoSessionSecret(QStringLiteral("secret"));
        pushover.settings().setPoDeviceUID(QStringLiteral("device"));
        saveScreenshot(&notifications, QStringLiteral("notifications-registered"), dark);

        FirstRunWindow window(rig.settings, rig.verifier);
        window.present();
        QDialog* welcome = nullptr;
        QVERIFY(QTest::qWaitFor([&] {
            welcome = window.findChild<QDialog*>(QStringLiteral("welcomeSheet"));
            return welcome && welcome->isVisible();
        }));
        saveScreenshot(&window, QStringLiteral("firstrun"), dark);
        saveScreenshot(welcome, QStringLiteral("firstrun-welcome"), dark);
        QVERIFY(rig.settle());
    }
};

PREFS_TEST(ScreenshotsTest)

#include "test_screenshots.moc"

} // namespace corvane::test
