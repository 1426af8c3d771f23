#include "app/core.h"
#include "apprun.h"
#include "base/log.h"
#include "fakeservices.h"
#include "shell/appdelegate.h"
#include "status_bar/statusitem.h"
#include "support/logcapture.h"
#include "support/testclock.h"
#include "support/testregistry.h"

#include <QTemporaryDir>
#include <QTest>

using namespace corvane;
using namespace Qt::StringLiterals;

namespace {

// The delegate over a real core whose suite lives in a temporary folder and whose services
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
        if (core)
            QTRY_VERIFY_WITH_TIMEOUT(!core->watch().isPassRunning(), 10000);
    }

    QString suitePath() const { return dir.filePath(u"CVNSuite.conf"_s); }

    bool launch()
    {
        CoreConfig config;
        config.suitePath = suitePath();
        config.clock = clock.clock();
        config.platformApiUrl = fake.apiUrl();
        config.platformWebUrl = fake.apiUrl();
        config.pushover = {fake.pushoverUrl(), fake.socketUrl()};
        core = std::make_unique<Core>(config);
        delegate = std::make_unique<AppDelegate>(*core, QIcon());
        return delegate->applicationDidFinishLaunching();
    }

    QString allLines() const { return logs.lines().join(u'\n'); }

    fake::FakeServices fake;
    bool started = false;
    QTemporaryDir dir;
    test::TestClock clock;
    test::LogCapture logs;
    std::unique_ptr<Core> core;
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
        test::seedSuite(rig.suitePath(), {{refused, true}, {u"test-key-alpha"_s, true}}, secret,
                        device);
        QVERIFY(rig.launch());
        QVERIFY(rig.delegate->statusItem());

        const QStringList lines = rig.logs.lines();
        const auto deviceLine = lines.indexOf(redacted(device));
        QVERIFY(deviceLine >= 0);
        QCOMPARE(lines.value(deviceLine + 1), redacted(secret));

        QTRY_COMPARE_WITH_TIMEOUT(rig.delegate->presenter().labels().size(), 2, 10000);
        QVERIFY(
            rig.logs.contains(u"Failed to fetch broker data for apiKey: "_s + redacted(refused)));
        for (const AccountSettings& account : rig.core->settings().accountSettings())
            QCOMPARE(account.brokerSettings.size(), account.apiKey == refused ? 0 : 2);
        for (const QString& hidden : {secret, device, refused})
            QVERIFY(!rig.allLines().contains(hidden));
    }

    // Without a verified account the first-run path is taken: an empty store gets one new
    // account, a store with only unverified accounts gets none; either way the item is made.
    void firstRunWithoutVerifiedAccount()
    {
        Rig empty;
        QVERIFY(empty.launch());
        QCOMPARE(empty.core->settings().accountSettings().size(), 1);
        QVERIFY(empty.delegate->statusItem());
        QVERIFY(empty.delegate->presenter().labels().isEmpty());

        Rig unverified;
        test::seedSuite(unverified.suitePath(), {{u"a"_s, false}, {u"b"_s, false}});
        QVERIFY(unverified.launch());
        QCOMPARE(unverified.core->settings().accountSettings().size(), 2);
        QVERIFY(unverified.fake.requests().isEmpty());
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
        QVERIFY(!rig.core->market().isTimerRunning().value_or(false));
    }
};

CORVANE_TEST(StartupTest)
#include "test_startup.moc"
