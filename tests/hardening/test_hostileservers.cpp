#include "fakeservices.h"
#include "pushover.h"
#include "pushsocket.h"
#include "support/logcapture.h"
#include "support/testclock.h"
#include "support/testcore.h"
#include "support/testregistry.h"

#include <QCoro/QCoroTask>
#include <QTest>

using namespace corvane;
using namespace corvane::test;
using corvane::fake::FakeServices;
using corvane::fake::Fault;
using corvane::fake::TlsFault;
using namespace Qt::StringLiterals;

namespace {

const QString positionsPath = u"/v1/bots/positions/"_s;
const QString loginPath = u"/1/users/login.json"_s;

// The root against the fake: a pass of the watch cycle for one account, and the Pushover set-up.
struct Client {
    explicit Client(FakeServices& fake, std::chrono::milliseconds timeout = std::chrono::seconds(5))
        : clock(newYork(2024, 6, 18, 11, 0))
        , core(clock.clock(), [&](CoreConfig& config) {
            config.platformApiUrl = fake.apiUrl();
            config.pushover = {fake.pushoverUrl(), fake.socketUrl()};
            config.platformTimeout = timeout;
            config.notifications = std::make_shared<AbsentNotificationService>();
        })
    {
        core->pushoverSetup().setRequestTimeout(timeout);
        addVerifiedAccount(core->settings(), u"test-key-alpha"_s);
        fake.pushover().addAccount(u"a@example.com"_s, u"pw"_s);
    }

    // True when the pass got its answers.
    bool fetch() { return runPass(*core) && !core->globalData().hasError(); }
    void setUp()
    {
        QCoro::waitFor(core->pushoverSetup().setupPushover(u"a@example.com"_s, u"pw"_s, u"desk"_s));
    }
    QString platformText()
    {
        return core->globalData().internetErrorText() + core->globalData().criticalErrorText();
    }
    QString pushoverText() { return core->pushoverSetup().errorMessage(); }
    bool registered() { return core->pushoverSettings().poIsRegistered(); }

    TestClock clock;
    TestCore core;
};

} // namespace

// Servers that lie, stall or flood: nothing bad is trusted, memory stays bounded, the user reads
// why, and the same client works again once the server behaves.
class HostileServersTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void badCertificatesAreRefused_data()
    {
        QTest::addColumn<int>("tls");
        QTest::addColumn<bool>("trusted"); // the certificate is among the extra roots
        QTest::addColumn<QString>("reason");
        QTest::newRow("wrong host")
            << int(TlsFault::WrongHost) << true << u"host name did not match"_s;
        // An expired root is dropped from the trusted ones, so it reads as untrusted.
        QTest::newRow("expired") << int(TlsFault::Expired) << true << u"untrusted"_s;
        QTest::newRow("self-signed, not trusted")
            << int(TlsFault::None) << false << u"self-signed"_s;
    }

    void badCertificatesAreRefused()
    {
        QFETCH(int, tls);
        QFETCH(bool, trusted);
        QFETCH(QString, reason);
        FakeServices fake;
        FakeServices::Options options;
        options.tls = TlsFault(tls);
        QVERIFY2(fake.start(options), qPrintable(fake.errorString()));
        if (trusted)
            fake.trustInProcess();
        Client client(fake);
        QVERIFY(!client.fetch());
        client.setUp();

        // Nothing crossed a connection the client did not trust.
        QVERIFY(fake.requests().isEmpty());
        QVERIFY(!client.registered());
        for (const QString& text : {client.platformText(), client.pushoverText()})
            QVERIFY2(text.contains(reason, Qt::CaseInsensitive), qPrintable(text));

        // The live socket refuses the same certificate before its login frame goes out.
        client.core->pushoverSettings().setPoDeviceUID(u"device"_s);
        client.core->pushoverSettings().setPoSessionSecret(u"secret"_s);
        PushoverWebSocketManager& socket = client.core->socket();
        const QString loginError = u"An error occurred during login: "_s;
        LogCapture log;
        socket.openSocket();
        QTRY_VERIFY(!log.lines().filter(loginError).isEmpty());
        const QString text = log.lines().filter(loginError).constFirst();
        QVERIFY2(text.contains(reason, Qt::CaseInsensitive), qPrintable(text));
        QTRY_VERIFY(!socket.isSocketRunning());
        QVERIFY(fake.socket().frames().isEmpty());
    }

    void stallingAndEndlessAnswersAreCutOff_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("accepts, never answers") << int(Fault::Kind::silent) << u"timed out"_s;
        QTest::newRow("body without end") << int(Fault::Kind::oversized) << u"large"_s;
    }

    void stallingAndEndlessAnswersAreCutOff()
    {
        QFETCH(int, kind);
        QFETCH(QString, reason);
        FakeServices fake;
        QVERIFY2(fake.start(), qPrintable(fake.errorString()));
        fake.trustInProcess();
        Client client(fake, std::chrono::milliseconds(1500));
        for (const QString& path : {positionsPath, loginPath})
            fake.injectFault({path, Fault::Kind(kind), 0, 0, true, qint64(1) << 40});
        const qint64 before = residentKb();
        for (int round = 0; round < 3; ++round) {
            QVERIFY(!client.fetch());
            client.setUp();
        }
        const qint64 grown = residentKb() - before;
        // Each answer is read up to the 32 MiB limit at most, and let go.
        QVERIFY2(grown < 128 * 1024, qPrintable(QString::number(grown)));
        QVERIFY2(client.platformText().contains(reason, Qt::CaseInsensitive),
                 qPrintable(client.platformText()));
        QVERIFY2(client.pushoverText().contains(reason, Qt::CaseInsensitive),
                 qPrintable(client.pushoverText()));
        QVERIFY(!client.registered());

        // The server mends its ways: the same client gets through.
        fake.clearFaults();
        QVERIFY(client.fetch());
        client.setUp();
        QVERIFY(client.registered());
    }
};

CORVANE_TEST(HostileServersTest)
#include "test_hostileservers.moc"
