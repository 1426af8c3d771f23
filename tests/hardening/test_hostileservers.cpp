#include "app/globaldata.h"
#include "fakeservices.h"
#include "market/stockexchangestatus.h"
#include "platform_api/apiservice.h"
#include "pushover.h"
#include "pushover/poapimanager.h"
#include "pushover/pushoverwebsocketmanager.h"
#include "pushsocket.h"
#include "settings/posettings.h"
#include "support/logcapture.h"
#include "support/tempsuite.h"
#include "support/testclock.h"
#include "support/testregistry.h"

#include <QCoro/QCoroTask>
#include <QFile>
#include <QNetworkAccessManager>
#include <QTest>

using namespace corvane;
using namespace corvane::test;
using corvane::fake::FakeServices;
using corvane::fake::Fault;
using corvane::fake::TlsFault;

namespace {

const QString positionsPath = QStringLiteral("/v1/bots/positions/");
const QString loginPath = QStringLiteral("/1/users/login.json");

qint64 residentBytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong() * 1024;
    }
    return -1;
}

// One platform fetch and one Pushover login against the same fake, as the program makes them.
struct Client {
    explicit Client(FakeServices& fake, std::chrono::milliseconds timeout = std::chrono::seconds(5))
        : clock(newYork(2024, 6, 18, 11, 0))
        , market(clock.clock())
        , pushover(suite.suite())
        , api(network, pushover, fake.pushoverUrl())
        , fetcher(PlatformConnection{&network, fake.apiUrl(), timeout}, clock.clock())
    {
        globalData.follow(fetcher);
        api.setRequestTimeout(timeout);
        fake.pushover().addAccount(QStringLiteral("a@example.com"), QStringLiteral("pw"));
    }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    std::optional<ApiResponse> fetch()
    {
        market.updateLastOpenDate();
        return QCoro::waitFor(
            fetcher.fetchPositions(QStringLiteral("test-key-alpha"), market.lastOpenDate()));
    }
    void setUp()
    {
        QCoro::waitFor(api.setupPushover(QStringLiteral("a@example.com"), QStringLiteral("pw"),
                                         QStringLiteral("desk")));
    }
    QString platformText() const
    {
        return globalData.internetErrorText() + globalData.criticalErrorText();
    }

    TestClock clock;
    StockExchangeStatus market;
    GlobalData globalData;
    TempSuite suite;
    POSettings pushover;
    QNetworkAccessManager network;
    POApiManager api;
    APIService fetcher;
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
            << int(TlsFault::WrongHost) << true << QStringLiteral("host name did not match");
        // An expired root is dropped from the trusted ones, so it reads as untrusted.
        QTest::newRow("expired") << int(TlsFault::Expired) << true << QStringLiteral("untrusted");
        QTest::newRow("self-signed, not trusted")
            << int(TlsFault::None) << false << QStringLiteral("self-signed");
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
        QVERIFY(!client.pushover.poIsRegistered());
        for (const QString& text : {client.platformText(), client.api.errorMessage()})
            QVERIFY2(text.contains(reason, Qt::CaseInsensitive), qPrintable(text));

        // The live socket refuses the same certificate before its login frame goes out.
        client.pushover.setPoDeviceUID(QStringLiteral("device"));
        client.pushover.setPoSessionSecret(QStringLiteral("secret"));
        PushoverWebSocketManager socket(client.network, client.pushover,
                                        {fake.pushoverUrl(), fake.socketUrl()},
                                        std::make_shared<AbsentNotificationService>());
        const QString loginError = QStringLiteral("An error occurred during login: ");
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
        QTest::newRow("accepts, never answers")
            << int(Fault::Kind::silent) << QStringLiteral("timed out");
        QTest::newRow("body without end") << int(Fault::Kind::oversized) << QStringLiteral("large");
    }

    void stallingAndEndlessAnswersAreCutOff()
    {
        QFETCH(int, kind);
        QFETCH(QString, reason);
        FakeServices fake;
        QVERIFY2(fake.start(), qPrintable(fake.errorString()));
        fake.trustInProcess();
        Client client(fake, std::chrono::milliseconds(1500));
        for (const QString& path : {positionsPath, loginPath}) {
            Fault fault;
            fault.path = path;
            fault.kind = Fault::Kind(kind);
            fault.oversizedBytes = qint64(1) << 40;
            fault.sticky = true;
            fake.injectFault(fault);
        }
        const qint64 before = residentBytes();
        for (int round = 0; round < 3; ++round) {
            QVERIFY(!client.fetch());
            client.setUp();
        }
        const qint64 grown = residentBytes() - before;
        // Each answer is read up to the 32 MiB limit at most, and let go.
        QVERIFY2(grown < 128LL * 1024 * 1024, qPrintable(QString::number(grown)));
        QVERIFY2(client.platformText().contains(reason, Qt::CaseInsensitive),
                 qPrintable(client.platformText()));
        QVERIFY2(client.api.errorMessage().contains(reason, Qt::CaseInsensitive),
                 qPrintable(client.api.errorMessage()));
        QVERIFY(!client.pushover.poIsRegistered());

        // The server mends its ways: the same client gets through.
        fake.clearFaults();
        QVERIFY(client.fetch());
        QVERIFY(!client.globalData.hasError());
        client.setUp();
        QVERIFY(client.pushover.poIsRegistered());
    }
};

CORVANE_TEST(HostileServersTest)
#include "test_hostileservers.moc"
