#include "prefsrig.h"
#include "pushover/poapimanager.h"
#include "pushoverrig.h"
#include "support/testregistry.h"
#include "views/brokerlistsheet.h"
#include "views/firstrunwindow.h"
#include "views/notificationsettingsview.h"
#include "views/settingspages.h"
#include "views/settingstabview.h"

#include <QDialog>
#include <QTest>

namespace corvane::test {

// Pictures of every settings page and of the first-run window, light and dark, for a person to
// look at; on the way, every control that Tab reaches must carry a name for screen readers.
class ScreenshotsTest final : public FakeServicesTest {
    Q_OBJECT

private Q_SLOTS:
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

        PushoverRig pushover(quickTiming());
        QVERIFY2(pushover.problem().isEmpty(), qPrintable(pushover.problem()));
        SettingsTabView tabs(QStringLiteral("0.1.0"), QStringLiteral("1"),
                             QUrl(QStringLiteral("https://corvane.example")),
                             dark ? Appearance::dark : Appearance::light);
        const SettingsPages pages = installSettingsPages(tabs, {rig.settings,
                                                                pushover.settings(),
                                                                rig.verifier,
                                                                rig.stateManager,
                                                                pushover.core().pushoverSetup(),
                                                                pushover.core().socket(),
                                                                {}});
        tabs.resize(600, 520);
        tabs.show();
        const QList<std::pair<SettingsTabView::Tab, QString>> shots = {
            {SettingsTabView::Tab::account, QStringLiteral("settings-account")},
            {SettingsTabView::Tab::general, QStringLiteral("settings-general")},
            {SettingsTabView::Tab::bots, QStringLiteral("settings-notifications")}};
        for (const auto& [tab, name] : shots) {
            tabs.setSelectedTab(tab);
            saveScreenshot(&tabs, name, dark);
            QCOMPARE(unnamedTabStops(&tabs), QStringList());
        }
        pages.notifications->poApiManager().setErrorMessage(
            QStringLiteral("Pushover setup failed: invalid password."));
        pages.notifications->poApiManager().setStatusMessage(
            QStringLiteral("Two-factor authentication required."));
        saveScreenshot(&tabs, QStringLiteral("settings-notifications-error"), dark);
        pages.notifications->poApiManager().setErrorMessage({});
        pushover.settings().setPoDeviceName(QStringLiteral("desk_linux"));
        pushover.settings().setPoSessionSecret(QStringLiteral("secret"));
        pushover.settings().setPoDeviceUID(QStringLiteral("device"));
        saveScreenshot(&tabs, QStringLiteral("settings-notifications-registered"), dark);

        BrokerListSheet brokers(rig.settings, id, &tabs);
        brokers.show();
        saveScreenshot(&brokers, QStringLiteral("brokers"), dark);
        QCOMPARE(unnamedTabStops(&brokers), QStringList());

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

CORVANE_TEST(ScreenshotsTest)

#include "test_screenshots.moc"

} // namespace corvane::test
