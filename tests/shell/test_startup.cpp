#include "app/core.h"
#include "apprun.h"
#include "base/log.h"
#include "fakeservices.h"
#include "shell/appdelegate.h"
#include "status_bar/statusitem.h"
#include "support/logcapture.h"
#include "support/testclock.h"
#include "support/testcore.h"
#include "support/testregistry.h"

#include <QTest>

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
        });
        delegate = std::make_unique<AppDelegate>(core(), QIcon());
        return delegate->applicationDidFinishLaunching();
    }

    Core& core() { return **testCore; }
    QString allLines() const { return logs.lines().join(u'\n'); }

    fake::FakeServices fake;
    bool started = false;
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

    // Without a verified account the first-run path is taken: an empty store gets one new
    // account, a store with only unverified accounts gets none; either way the item is made.
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
};

CORVANE_TEST(StartupTest)
#include "test_startup.moc"
