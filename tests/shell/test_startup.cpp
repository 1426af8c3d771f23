#include "app/core.h"
#include "apprun.h"
#include "base/log.h"
#include "fakeservices.h"
#include "platform_api/brokerapiservice.h"
#include "shell/appdelegate.h"
#include "shell/quitsignals.h"
#include "status_bar/statusitem.h"
#include "support/logcapture.h"
#include "support/testclock.h"
#include "support/testcore.h"
#include "support/testregistry.h"
#include "viewrig.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <csignal>

using namespace corvane;
using namespace Qt::StringLiterals;

namespace {

// The delegate over a real core whose suite holds what a previous run left and whose services
// are the fakes, on a Tuesday noon in New York.
struct Rig {
    Rig()
        : clock(test::newYork(2024, 6, 18, 12, 0))
    {
        started = fake.start();
        fake.trustInProcess();
    }

    // A pass still out when the core goes would be cut off mid-way.
    ~Rig()
    {
        if (testCore)
            QTRY_VERIFY_WITH_TIMEOUT(!core().watch().isPassRunning(), 10000);
    }

    bool launch(const QList<std::pair<QString, bool>>& keys = {}, const QString& secret = {},
                const QString& device = {})
    {
        testCore = std::make_unique<test::TestCore>(clock.clock(), [&](CoreConfig& config) {
            config.platformApiUrl = config.platformWebUrl = fake.apiUrl();
            config.pushover = {fake.pushoverUrl(), fake.socketUrl()};
            if (!keys.isEmpty())
                test::seedSuite(config.suitePath, keys, secret, device);
            suitePath = config.suitePath;
            if (!suiteFile.isEmpty()) {
                QFile file(suitePath);
                if (file.open(QIODevice::WriteOnly))
                    file.write(suiteFile);
            }
        });
        delegate = std::make_unique<AppDelegate>(core(), QIcon());
        return delegate->applicationDidFinishLaunching();
    }

    Core& core() { return **testCore; }
    QString allLines() const { return logs.lines().join(u'\n'); }

    fake::FakeServices fake;
    bool started = false;
    QByteArray suiteFile; // what the settings file holds at launch, when set
    QString suitePath;
    test::TestClock clock;
    test::LogCapture logs;
    std::unique_ptr<test::TestCore> testCore;
    std::unique_ptr<AppDelegate> delegate;
};

} // namespace

class StartupTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Verified accounts without brokers get them at launch, a refused key notwithstanding,
    // and a label each. The Pushover identity and the refused key are logged only as stand-ins.
    void launchFetchesBrokersAndHidesSecrets()
    {
        Rig rig;
        QVERIFY(rig.started);
        const QString secret = u"po-secret-4f9a2c77e1d0"_s;
        const QString device = u"device-8812aa90"_s;
        const QString refused = u"not-a-key-0c41d2"_s;
        QVERIFY(rig.launch({{refused, true}, {u"test-key-alpha"_s, true}}, secret, device));
        QVERIFY(rig.delegate->statusItem());

        const QStringList lines = rig.logs.lines();
        const auto deviceLine = lines.indexOf(redacted(device));
        QVERIFY(deviceLine >= 0);
        QCOMPARE(lines.value(deviceLine + 1), redacted(secret));

        QTRY_COMPARE_WITH_TIMEOUT(rig.delegate->presenter().labels().size(), 2, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(
            rig.logs.contains(u"Failed to fetch broker data for apiKey: "_s + redacted(refused)),
            10000);
        for (const AccountSettings& account : rig.core().settings().accountSettings())
            QCOMPARE(account.brokerSettings.size(), account.apiKey == refused ? 0 : 2);
        for (const QString& hidden : {secret, device, refused})
            QVERIFY(!rig.allLines().contains(hidden));
    }

    // The account may change while its brokers are fetched: the answer is written only onto
    // the same key on a still verified account, and not at all once the delegate is gone.
    void launchRefreshWritesOnlyOntoTheAccountItAsked_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("key edited") << u"key"_s;
        QTest::newRow("unverified") << u"verified"_s;
        QTest::newRow("delegate gone") << u"delegate"_s;
    }
    void launchRefreshWritesOnlyOntoTheAccountItAsked()
    {
        QFETCH(QString, change);
        Rig rig;
        QVERIFY(rig.started);
        // Called once the request is out, and before its answer can be read.
        connect(&rig.fake, &fake::FakeServices::requestReceived, &rig.fake,
                [&](const fake::HttpRequest& request) {
                    if (request.path != u"/v1/broker_connections"_s)
                        return;
                    CVNSettings& settings = rig.core().settings();
                    const QUuid id = settings.accountSettings().firstKey();
                    if (change == u"key"_s)
                        settings.setAccountValue(id, CVNSettings::AccountField::apiKey,
                                                 u"test-key-bravo"_s);
                    else if (change == u"verified"_s)
                        settings.setAccountValue(id, CVNSettings::AccountField::keyVerified, false);
                    else
                        rig.delegate.reset();
                });
        QVERIFY(rig.launch({{u"test-key-alpha"_s, true}}));
        // The refresh starts from the event loop, after the launch.
        QSignalSpy answered(&rig.core().brokerApi(), &BrokerAPIService::dataChanged);
        QTRY_COMPARE_WITH_TIMEOUT(answered.count(), 1, 10000);
        QVERIFY(rig.core().settings().accountSettings().first().brokerSettings.isEmpty());
    }

    // Without a verified account the first-run path is taken: an empty store gets one new
    // account, a store with only unverified accounts gets none; either way the item is made.
    // A settings file that cannot be read is copied aside before the fresh start replaces it,
    // and the first-run window says where the copy is.
    void firstRunWithoutVerifiedAccount()
    {
        Rig empty;
        QVERIFY(empty.launch());
        QCOMPARE(empty.core().settings().accountSettings().size(), 1);
        QVERIFY(empty.delegate->statusItem());
        QVERIFY(empty.delegate->presenter().labels().isEmpty());

        Rig unverified;
        QVERIFY(unverified.launch({{u"a"_s, false}, {u"b"_s, false}}));
        QCOMPARE(unverified.core().settings().accountSettings().size(), 2);
        QVERIFY(unverified.fake.requests().isEmpty());

        Rig unreadable;
        unreadable.suiteFile = "[accounts\napiKey: the only copy of something\n";
        QVERIFY(unreadable.launch());
        QCOMPARE(unreadable.core().settings().accountSettings().size(), 1);
        const QString copy = unreadable.suitePath + u".unreadable"_s;
        QFile kept(copy);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), unreadable.suiteFile);
        QVERIFY(
            QSettings(unreadable.suitePath, QSettings::IniFormat).contains(u"accountSettings"_s));
        QVERIFY(unreadable.logs.contains(u"The settings file "_s + unreadable.suitePath +
                                         u" could not be read; it was copied to "_s + copy +
                                         u" and defaults are used."_s));
        // The other rigs' windows are open too; only this one has something to say.
        const QLabel* notice = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            const auto* label = top->findChild<QLabel*>(u"unreadableSettingsNotice"_s);
            notice = label && label->isVisible() ? label : notice;
        }
        QVERIFY(notice);
        QVERIFY(notice->text().contains(copy));
        QVERIFY(
            test::saveScreenshot(*notice->window(), u"first-run-unreadable"_s, Appearance::light));
    }

    // A preview run stops after priming: no item, no clock, no socket.
    void previewRunStopsEarly()
    {
        qputenv("XCODE_RUNNING_FOR_PREVIEWS", "1");
        Rig rig;
        const bool started = rig.launch();
        qunsetenv("XCODE_RUNNING_FOR_PREVIEWS");
        QVERIFY(!started);
        QVERIFY(!rig.delegate->statusItem());
        QVERIFY(!rig.core().market().isTimerRunning().value_or(false));
    }

    // Once the loop has ended and the handler is gone, a repeated SIGTERM or Ctrl-C (a session
    // manager's, a script's) must not kill the process halfway through its teardown. With the
    // default action restored, the first raise ends this test run as a crash.
    void lateQuitSignalsDoNotKill()
    {
        {
            QuitSignals handler;
        }
        ::raise(SIGTERM);
        ::raise(SIGINT);
        std::signal(SIGTERM, SIG_DFL);
        std::signal(SIGINT, SIG_DFL);
    }
};

CORVANE_TEST(StartupTest)
#include "test_startup.moc"
