#include "fakeservices.h"
#include "support/testregistry.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTest>

using namespace corvane::fake;

// Proves the dates the platform stand-in fills in, which the tallies of every integration test
// depend on. Its keys, faults and the push service's stand-in are proven through the real
// clients in the platform and push tests.
class FakeServicesTest final : public QObject {
    Q_OBJECT

    FakeServices fake_;
    QNetworkAccessManager network_;

    QByteArray send(const QString& pathAndQuery)
    {
        QNetworkRequest request(QUrl(fake_.apiUrl().toString() + pathAndQuery));
        request.setRawHeader("Authorization", "Bearer test-key-alpha");
        QNetworkReply* reply = network_.get(request);
        QSignalSpy finished(reply, &QNetworkReply::finished);
        if (!reply->isFinished())
            finished.wait(20000);
        reply->deleteLater();
        return reply->readAll();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(fake_.start(), qPrintable(fake_.errorString()));
        fake_.trustInProcess();
    }

    void fillsTheDayAskedFor_data()
    {
        QTest::addColumn<QString>("day");
        QTest::addColumn<QString>("offset");
        QTest::newRow("summer") << QStringLiteral("2026-07-02") << QStringLiteral("-04:00");
        QTest::newRow("winter") << QStringLiteral("2027-01-05") << QStringLiteral("-05:00");
    }

    void fillsTheDayAskedFor()
    {
        QFETCH(QString, day);
        QFETCH(QString, offset);
        const QByteArray body =
            send(QStringLiteral("/v1/bots/positions/?from_date=2000-01-01&to_date=") + day);
        const QJsonArray positions =
            QJsonDocument::fromJson(body).object().value(QStringLiteral("data")).toArray();
        QVERIFY(positions.size() > 3);
        QCOMPARE(positions.first()[QStringLiteral("entered_at")].toString(),
                 day + QStringLiteral("T10:02:11.250114") + offset);
        QVERIFY(!body.contains("${"));
    }
};

CORVANE_TEST(FakeServicesTest)

#include "test_fakeservices.moc"
