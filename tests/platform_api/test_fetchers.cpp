#include "fetchrig.h"
#include "platform_api/botapiservice.h"
#include "platform_api/brokerapiservice.h"
#include "support/logcapture.h"
#include "support/testregistry.h"

#include <QTest>

using namespace corvane;
using namespace Qt::StringLiterals;
using namespace corvane::test;
using corvane::fake::Fault;

class FetchersTest final : public FetchRig {
    Q_OBJECT

private Q_SLOTS:
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
};

CORVANE_TEST(FetchersTest)
#include "test_fetchers.moc"
