#include "prefsrig.h"
#include "pushover/poapimanager.h"
#include "pushoverrig.h"
#include "support/testregistry.h"
#include "viewrig.h"
#include "views/aboutview.h"
#include "views/brokerlistsheet.h"
#include "views/firstrunwindow.h"
#include "views/notificationsettingsview.h"
#include "views/settingspages.h"
#include "views/settingstabview.h"

#include <QDialog>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace corvane::test {

namespace {

// Turned dark while open, the window's pages take the dark look, as if made dark: the error
// line and the information buttons stand out from the dark window.
bool followsTheDesktopToDark(SettingsTabView& tabs)
{
    tabs.setAppearance(Appearance::dark);
    tabs.setSelectedTab(SettingsTabView::Tab::bots);
    QTest::qWait(50);
    const int window = tabs.palette().color(QPalette::Window).lightness();
    const QImage picture = tabs.grab().toImage();
    auto lightestIn = [&](const QWidget* widget) {
        const QRect area(widget->mapTo(&tabs, QPoint()), widget->size());
        int lightest = 0;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x)
                lightest = std::max(lightest, picture.pixelColor(x, y).lightness());
        }
        return lightest;
    };
    const QWidget* info = nullptr;
    for (const QWidget* button : tabs.findChildren<QWidget*>(u"infoButton"_s)) {
        if (!info && button->isVisible())
            info = button;
    }
    const auto* error = tabs.findChild<QLabel*>(u"errorLine"_s);
    const int infoLight = info ? lightestIn(info) : 0;
    const int errorLight = error ? error->palette().color(QPalette::WindowText).lightness() : 0;
    qInfo("window %d, information button %d, error line %d", window, infoLight, errorLight);
    tabs.setAppearance(Appearance::light);
    return infoLight > window + 80 && errorLight > window + 120;
}

} // namespace

// Pictures of every settings page and of the first-run window, light and dark, for a person to
// look at; on the way, every control that Tab reaches must carry a name for screen readers.
class ScreenshotsTest final : public FakeServicesTest {
    Q_OBJECT

private Q_SLOTS:
    void cleanupTestCase() { useAppearance(false); }

    void pages_data()
    {
        QTest::addColumn<Appearance>("look");
        QTest::newRow("light") << Appearance::light;
        QTest::newRow("dark") << Appearance::dark;
    }

    void pages()
    {
        QFETCH(Appearance, look);
        useAppearance(look == Appearance::dark);
        PrefsRig rig(m_fake);
        const QUuid id = rig.addAccount(goodKey, true,
                                        {u"bc_8f21a0c4:ew"_s, u"bc_3d77e15b:ew"_s, u"bc_old1:"_s});
        AccountSettings account = rig.settings.accountSettings().value(id);
        account.filterBrokers = false;
        account.brokerSettings[1].nickname.clear();
        rig.settings.setAccount(account);
        rig.addAccount(u"typed-but-unverified"_s, false);

        PushoverRig pushover(quickTiming());
        QVERIFY2(pushover.problem().isEmpty(), qPrintable(pushover.problem()));
        SettingsTabView tabs(u"0.1.0"_s, u"1"_s, QUrl(u"https://corvane.example"_s), look);
        const SettingsPages pages = installSettingsPages(tabs, {rig.settings,
                                                                pushover.settings(),
                                                                rig.verifier,
                                                                rig.stateManager,
                                                                pushover.core().pushoverSetup(),
                                                                {}});
        tabs.resize(600, 520);
        tabs.show();
        QCOMPARE(tabTexts(*tabs.tabView()),
                 (QStringList{u"Account"_s, u"Settings"_s, u"Notifications"_s, u"About"_s}));
        QCOMPARE(tabs.selectedTab(), SettingsTabView::Tab::account);
        const QList<std::pair<SettingsTabView::Tab, QString>> shots = {
            {SettingsTabView::Tab::account, u"settings-account"_s},
            {SettingsTabView::Tab::general, u"settings-general"_s},
            {SettingsTabView::Tab::about, u"settings-about"_s},
            {SettingsTabView::Tab::bots, u"settings-notifications"_s}};
        for (const auto& [tab, name] : shots) {
            tabs.setSelectedTab(tab);
            QVERIFY(saveScreenshot(tabs, name, look));
            QCOMPARE(unnamedTabStops(&tabs), QStringList());
        }
        pages.notifications->poApiManager().setErrorMessage(
            u"Pushover setup failed: invalid password."_s);
        pages.notifications->poApiManager().setStatusMessage(
            u"Two-factor authentication required."_s);
        QVERIFY(saveScreenshot(tabs, u"settings-notifications-error"_s, look));
        pages.notifications->poApiManager().setErrorMessage({});
        if (look == Appearance::light)
            QVERIFY(followsTheDesktopToDark(tabs));
        pushover.settings().setPoDeviceName(u"desk_linux"_s);
        pushover.settings().setPoSessionSecret(u"secret"_s);
        pushover.settings().setPoDeviceUID(u"device"_s);
        QVERIFY(saveScreenshot(tabs, u"settings-notifications-registered"_s, look));

        // Both of About's links open the website; its button asks for an update check.
        tabs.setSelectedTab(SettingsTabView::Tab::about);
        AboutView* about = tabs.aboutView();
        QCOMPARE(about->findChild<QLabel*>(u"versionText"_s)->text(), u"Version 0.1.0 (1)"_s);
        QCOMPARE(AboutView::versionText(u"0.1.0"_s, QString()), u"Unknown Version"_s);
        QCOMPARE(AboutView::versionText(QString(), u"1"_s), u"Unknown Version"_s);
        QSignalSpy updates(about, &AboutView::checkForUpdatesRequested);
        QSignalSpy links(about, &AboutView::openUrlRequested);
        for (const QString& button :
             {u"checkForUpdatesButton"_s, u"websiteLink"_s, u"privacyLink"_s})
            QTest::mouseClick(about->findChild<QWidget*>(button), Qt::LeftButton);
        QCOMPARE(updates.count(), 1);
        QCOMPARE(links.count(), 2);
        QCOMPARE(links[1][0].toUrl(), QUrl(u"https://corvane.example"_s));

        BrokerListSheet brokers(rig.settings, id, &tabs);
        brokers.show();
        QVERIFY(saveScreenshot(brokers, u"brokers"_s, look));
        QCOMPARE(unnamedTabStops(&brokers), QStringList());

        FirstRunWindow window(rig.settings, rig.verifier);
        window.present();
        QCOMPARE(window.windowTitle(), u"Welcome to Corvane"_s);
        QCOMPARE(tabs.windowTitle(), u"Corvane Settings"_s);
        QDialog* welcome = shownDialog<QDialog>(&window, u"welcomeSheet"_s);
        QVERIFY(welcome);
        QVERIFY(saveScreenshot(window, u"firstrun"_s, look));
        QVERIFY(saveScreenshot(*welcome, u"firstrun-welcome"_s, look));
        QVERIFY(rig.settle());
    }
};

CORVANE_TEST(ScreenshotsTest)

#include "test_screenshots.moc"

} // namespace corvane::test
