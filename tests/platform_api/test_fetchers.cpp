#include "app/globaldata.h"
#include "market/stockexchangestatus.h"
#include "platform_api/apiservice.h"
#include "platform_api/botapiservice.h"
#include "platform_api/brokerapiservice.h"
#include "support/fakeservicestest.h"
#include "support/logcapture.h"
#include "support/testclock.h"
#include "support/testregistry.h"

#include <QNetworkAccessManager>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

using namespace corvane;
using namespace Qt::StringLiterals;
using namespace corvane::test;
using corvane::fake::Fault;

namespace {

const QString alpha = u"test-key-alpha"_s;
const QString positionsPath = u"/v1/bots/positions/"_s;

// A port on which nothing listens.
quint16 closedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

enum class Trouble { refused, timedOut, unauthorized, unauthorizedHtml, garbage, dropped };

} // namespace

Q_DECLARE_METATYPE(Trouble)

// The fetchers against the fake Orrisfield service, on a clock the test sets; every test starts
// with no answers, faults, requests or error texts.
class FetchersTest final : public FakeServicesTest {
    Q_OBJECT

    TestClock m_clock{newYork(2024, 6, 18, 11, 0)};
    StockExchangeStatus m_market{m_clock.clock()};
    GlobalData m_globalData;
    QNetworkAccessManager m_network;

    PlatformConnection connection(std::chrono::milliseconds timeout = std::chrono::seconds(20))
    {
        return PlatformConnection{&m_network, m_fake.apiUrl(), timeout};
    }
    std::optional<ApiResponse> fetchPositions(const QString& apiKey, PlatformConnection c)
    {
        APIService service(c, m_clock.clock());
        m_globalData.follow(service);
        m_market.updateLastOpenDate();
        return QCoro::waitFor(service.fetchPositions(apiKey, m_market.lastOpenDate()));
    }

private Q_SLOTS:
    void init()
    {
        FakeServicesTest::init();
        m_globalData.setCriticalError(std::nullopt);
        m_globalData.setInternetError(std::nullopt);
        m_globalData.updateHasError();
    }

    void positionsRequest_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QString>("fromDate");
        QTest::addColumn<QString>("toDate");
        QTest::newRow("trading Tuesday") << newYork(2024, 6, 18, 11, 0) << "2024-06-17"
                                         << "2024-06-18";
        QTest::newRow("holiday Monday") << newYork(2024, 1, 15, 12, 0) << "2024-01-11"
                                        << "2024-01-12";
        // Already Wednesday in UTC and in Asia; the query still names New York's Tuesday.
        QTest::newRow("Tuesday evening") << newYork(2024, 6, 18, 22, 30) << "2024-06-17"
                                         << "2024-06-18";
    }
    void positionsRequest()
    {
        QFETCH(QDateTime, now);
        QFETCH(QString, fromDate);
        QFETCH(QString, toDate);
        m_clock.set(now);
        m_globalData.setCriticalError(u"stale"_s);
        m_globalData.setInternetError(u"stale"_s);
        m_globalData.updateHasError();

        const std::optional<ApiResponse> response = fetchPositions(alpha, connection());
        QVERIFY(response);
        QVERIFY(response->success);
        QVERIFY(response->data && !response->data->isEmpty());
        // A success clears both texts.
        QVERIFY(!m_globalData.criticalError());
        QVERIFY(!m_globalData.internetError());
        QVERIFY(!m_globalData.hasError());

        const QList<fake::HttpRequest> requests = m_fake.requests();
        QCOMPARE(requests.size(), 1);
        const fake::HttpRequest& r = requests.first();
        QCOMPARE(r.method, QByteArray("GET"));
        QCOMPARE(r.path, positionsPath);
        QCOMPARE(r.rawQuery,
                 QByteArray("from_date=" + fromDate.toUtf8() + "&to_date=" + toDate.toUtf8()));
        QCOMPARE(r.header("Accept"), QByteArray("application/json"));
        QCOMPARE(r.header("Content-Type"), QByteArray("application/json"));
        QCOMPARE(r.header("Authorization"), QByteArray("Bearer test-key-alpha"));
        QVERIFY(r.body.isEmpty());
    }

    void urlWithoutLastOpenDateHasNoQuery()
    {
        const QUrl base(u"https://127.0.0.1:4443"_s);
        QCOMPARE(positionsUrl(base, std::nullopt, newYork(2024, 6, 18)).toString(),
                 u"https://127.0.0.1:4443/v1/bots/positions/"_s);
    }

    void onlyTheFirstPageIsRead()
    {
        m_fake.setAnswer(
            positionsPath, alpha, 200,
            R"({"success":true,"message":"","data":[],"pages":{"has_pages":true,)"
            R"("items_per_page":100,"current_page":1,"last_page":3,"total_items":250}})");
        QVERIFY(fetchPositions(alpha, connection()));
        QCOMPARE(m_fake.requests().size(), 1);
    }

    void brokerConnections()
    {
        BrokerAPIService service(connection());
        const std::optional<BrokerResponse> response =
            QCoro::waitFor(service.fetchBrokerConnections(alpha));
        QVERIFY(response);
        QVERIFY(!response->data.isEmpty());
        QCOMPARE(service.data(), response->data);
        const fake::HttpRequest r = m_fake.requests().value(0);
        QCOMPARE(r.path, u"/v1/broker_connections"_s);
        QVERIFY(r.rawQuery.isEmpty());
        QCOMPARE(r.header("Authorization"), QByteArray("Bearer test-key-alpha"));

        // A failure is logged, and neither the list nor the user's error texts change.
        m_fake.injectFault(Fault{u"/v1/broker_connections"_s, Fault::Kind::garbage});
        LogCapture log;
        QVERIFY(!QCoro::waitFor(service.fetchBrokerConnections(alpha)));
        QCOMPARE(service.data(), response->data);
        QVERIFY(!m_globalData.hasError());
        QCOMPARE(log.lines().size(), 1);
        QVERIFY(log.lines().first().startsWith(u"Error fetching data: "_s));

        // An answer with success false is still an answer: it replaces the list.
        m_fake.setAnswer(u"/v1/broker_connections"_s, alpha, 403,
                         R"({"success":false,"message":"Forbidden","data":[]})");
        const std::optional<BrokerResponse> refused =
            QCoro::waitFor(service.fetchBrokerConnections(alpha));
        QVERIFY(refused);
        QVERIFY(!refused->success);
        QVERIFY(service.data().isEmpty());
    }

    void bots()
    {
        BotAPIService service(connection());
        m_globalData.follow(service);
        m_globalData.setCriticalError(u"kept"_s);
        m_globalData.updateHasError();
        const std::optional<BotModel> good = QCoro::waitFor(service.fetchBots(alpha));
        QVERIFY(good);
        QVERIFY(good->success);
        QCOMPARE(m_globalData.criticalError(), std::optional<QString>(u"kept"_s));
        QCOMPARE(m_fake.requests().value(0).path, u"/v1/bots"_s);

        // A rejected key answers 401 with success false and no list: that still decodes.
        const std::optional<BotModel> rejected = QCoro::waitFor(service.fetchBots(u"unknown"_s));
        QVERIFY(rejected);
        QVERIFY(!rejected->success);
        QCOMPARE(rejected->message, u"Invalid API key."_s);

        m_fake.setAnswer(u"/v1/bots"_s, alpha, 502, "<html>Bad Gateway</html>");
        LogCapture log;
        QVERIFY(!QCoro::waitFor(service.fetchBots(alpha)));
        const QString text = m_globalData.criticalError().value_or(QString());
        QVERIFY2(text.startsWith(u"Error fetching data: "_s) && text.size() > 21, qPrintable(text));
        QVERIFY(log.lines().isEmpty());

        // A fetcher that goes while the service is silent ends its request: whoever awaits it
        // resumes at once, with no answer, instead of waiting on a reply nobody reads.
        m_fake.injectFault(fake::Fault{u"/v1/bots"_s, fake::Fault::Kind::silent});
        auto leaving = std::make_unique<BotAPIService>(connection());
        QCoro::Task<std::optional<BotModel>> pending = leaving->fetchBots(alpha);
        QTRY_COMPARE(m_fake.requests().size(), 4);
        leaving.reset();
        QVERIFY(pending.isReady());
        QVERIFY(!QCoro::waitFor(std::move(pending)));
    }

    void positionsFailures_data()
    {
        QTest::addColumn<Trouble>("trouble");
        QTest::addColumn<QString>("internetError"); // null: unchanged
        QTest::addColumn<QString>("criticalError"); // null: unchanged; "*": a logged text
        QTest::newRow("refused") << Trouble::refused << u"Cannot connect to the Orrisfield."_s
                                 << QString();
        QTest::newRow("timed out")
            << Trouble::timedOut
            << u"The request to Orrisfield timed out. Will retry based on your frequency setting."_s
            << QString();
        QTest::newRow("401 with failure body")
            << Trouble::unauthorized << QString() << u"Error: Invalid API key."_s;
        QTest::newRow("401 with html") << Trouble::unauthorizedHtml << QString() << u"*"_s;
        QTest::newRow("garbage") << Trouble::garbage << QString() << u"*"_s;
        QTest::newRow("dropped") << Trouble::dropped << u"Connection error: *"_s << QString();
    }
    void positionsFailures()
    {
        QFETCH(Trouble, trouble);
        QFETCH(QString, internetError);
        QFETCH(QString, criticalError);
        PlatformConnection c = connection();
        QString key = alpha;
        switch (trouble) {
        case Trouble::refused:
            c.baseUrl.setPort(closedPort());
            break;
        case Trouble::timedOut:
            c.timeout = std::chrono::milliseconds(300);
            m_fake.injectFault(Fault{positionsPath, Fault::Kind::none, 0, 5'000});
            break;
        case Trouble::unauthorized:
            key = u"not-a-known-key"_s;
            break;
        case Trouble::unauthorizedHtml:
            m_fake.setAnswer(positionsPath, alpha, 401,
                             "<html><body><h1>401 Authorization Required</h1></body></html>");
            break;
        case Trouble::garbage:
            m_fake.injectFault(Fault{positionsPath, Fault::Kind::garbage});
            break;
        case Trouble::dropped:
            m_fake.injectFault(Fault{positionsPath, Fault::Kind::drop, 0, 0, true});
            break;
        }
        // What a previous failure left behind stays unless this one replaces it.
        const QString earlier = u"earlier text"_s;
        m_globalData.setCriticalError(earlier);
        m_globalData.updateHasError();

        LogCapture log;
        QVERIFY(!fetchPositions(key, c));

        QVERIFY(m_globalData.hasError());
        // An expected text ending in '*' is a prefix of a longer text.
        const auto shows = [](const std::optional<QString>& text, const QString& expected) {
            if (expected.isNull())
                return !text;
            if (!expected.endsWith(u'*'))
                return text == expected;
            return text && text->startsWith(expected.chopped(1)) && text->size() >= expected.size();
        };
        QVERIFY2(shows(m_globalData.internetError(), internetError),
                 qPrintable(m_globalData.internetErrorText()));
        QVERIFY2(
            shows(m_globalData.criticalError(), criticalError.isNull() ? earlier : criticalError),
            qPrintable(m_globalData.criticalErrorText()));
        // Texts that are not the platform's own message replace the earlier one and are logged.
        if (criticalError == u'*') {
            const QString text = m_globalData.criticalErrorText();
            QVERIFY2(text != earlier && !text.startsWith(u"Error: "), qPrintable(text));
            QVERIFY(log.contains(u"Error fetching data: "_s + text));
        }
    }

    // A body without a declared length is counted as it arrives and abandoned at the limit.
    void undeclaredOversizedBodyIsAbandonedEarly()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        constexpr qint64 chunk = 64 * 1024;
        constexpr qint64 offered = 64 * 1024 * 1024;
        qint64 written = 0;
        bool closedByClient = false;
        connect(&server, &QTcpServer::newConnection, this, [&] {
            QTcpSocket* socket = server.nextPendingConnection();
            const auto pump = [&, socket] {
                while (written < offered && socket->bytesToWrite() < 4 * chunk &&
                       socket->state() == QAbstractSocket::ConnectedState) {
                    socket->write(QByteArray::number(chunk, 16) + "\r\n" + QByteArray(chunk, ' ') +
                                  "\r\n");
                    written += chunk;
                }
            };
            connect(socket, &QTcpSocket::readyRead, this, [socket, pump] {
                socket->readAll();
                socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n"
                              "Transfer-Encoding: chunked\r\n\r\n");
                pump();
            });
            connect(socket, &QTcpSocket::bytesWritten, this, pump);
            connect(socket, &QTcpSocket::disconnected, this, [&] { closedByClient = true; });
        });

        PlatformConnection c{&m_network, QUrl(u"http://127.0.0.1:%1"_s.arg(server.serverPort())),
                             std::chrono::seconds(20), 1024 * 1024};
        QVERIFY(!fetchPositions(alpha, c));
        QCOMPARE(m_globalData.criticalError(),
                 std::optional<QString>(
                     u"The answer from Orrisfield is larger than 1 MiB and was not read."_s));
        QTRY_VERIFY(closedByClient);
        QVERIFY2(written < offered / 4, qPrintable(QString::number(written)));
    }
};

CORVANE_TEST(FetchersTest)
#include "test_fetchers.moc"
