#include "base/endpoints.h"
#include "support/testregistry.h"

#include <QTest>

using namespace corvane;
using namespace Qt::StringLiterals;

class EndpointTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void credentialsTravelOnlyEncryptedOrOnLoopback_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("safe");
        QTest::newRow("https") << u"https://api.example.com"_s << true;
        QTest::newRow("wss") << u"wss://client.example.com/push"_s << true;
        QTest::newRow("http loopback v4") << u"http://127.0.0.1:8080"_s << true;
        QTest::newRow("http loopback v6") << u"http://[::1]:8080"_s << true;
        QTest::newRow("ws localhost") << u"ws://localhost:9/push"_s << true;
        QTest::newRow("http remote") << u"http://api.example.com"_s << false;
        QTest::newRow("http private range") << u"http://192.168.1.2"_s << false;
        QTest::newRow("ftp") << u"ftp://127.0.0.1"_s << false;
        QTest::newRow("no host") << u"https://"_s << false;
    }

    void credentialsTravelOnlyEncryptedOrOnLoopback()
    {
        QFETCH(QString, url);
        QFETCH(bool, safe);
        QCOMPARE(isSafeForCredentials(QUrl(url)), safe);
    }

    void overridesApplyOnlyWhenSafe()
    {
        qputenv("CORVANE_PLATFORM_API_URL", "https://127.0.0.1:4443/");
        QCOMPARE(endpointUrl(Endpoint::platformApi), QUrl(u"https://127.0.0.1:4443"_s));
        qputenv("CORVANE_PLATFORM_API_URL", "http://evil.example.com");
        QCOMPARE(endpointUrl(Endpoint::platformApi).scheme(), u"https"_s);
        QVERIFY(endpointUrl(Endpoint::platformApi).host() != u"evil.example.com"_s);
        qunsetenv("CORVANE_PLATFORM_API_URL");
        qputenv("CORVANE_PUSHOVER_SOCKET_URL", "wss://127.0.0.1:9443/push");
        QCOMPARE(endpointUrl(Endpoint::pushoverSocket).path(), u"/push"_s);
        qunsetenv("CORVANE_PUSHOVER_SOCKET_URL");
    }
};

CORVANE_TEST(EndpointTest)

#include "test_endpoints.moc"
