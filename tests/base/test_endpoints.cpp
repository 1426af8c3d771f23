#include "base/endpoints.h"
#include "support/testregistry.h"

#include <QTest>

using namespace corvane;

class EndpointTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void credentialsTravelOnlyEncryptedOrOnLoopback_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("safe");
        QTest::newRow("https") << QStringLiteral("https://api.example.com") << true;
        QTest::newRow("wss") << QStringLiteral("wss://client.example.com/push") << true;
        QTest::newRow("http loopback v4") << QStringLiteral("http://127.0.0.1:8080") << true;
        QTest::newRow("http loopback v6") << QStringLiteral("http://[::1]:8080") << true;
        QTest::newRow("ws localhost") << QStringLiteral("ws://localhost:9/push") << true;
        QTest::newRow("http remote") << QStringLiteral("http://api.example.com") << false;
        QTest::newRow("http private range") << QStringLiteral("http://192.168.1.2") << false;
        QTest::newRow("ftp") << QStringLiteral("ftp://127.0.0.1") << false;
        QTest::newRow("no host") << QStringLiteral("https://") << false;
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
        QCOMPARE(endpointUrl(Endpoint::platformApi),
                 QUrl(QStringLiteral("https://127.0.0.1:4443")));
        qputenv("CORVANE_PLATFORM_API_URL", "http://evil.example.com");
        QCOMPARE(endpointUrl(Endpoint::platformApi).scheme(), QStringLiteral("https"));
        QVERIFY(endpointUrl(Endpoint::platformApi).host() != QStringLiteral("evil.example.com"));
        qunsetenv("CORVANE_PLATFORM_API_URL");
        qputenv("CORVANE_PUSHOVER_SOCKET_URL", "wss://127.0.0.1:9443/push");
        QCOMPARE(endpointUrl(Endpoint::pushoverSocket).path(), QStringLiteral("/push"));
        qunsetenv("CORVANE_PUSHOVER_SOCKET_URL");
    }
};

CORVANE_TEST(EndpointTest)

#include "test_endpoints.moc"
