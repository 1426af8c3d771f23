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

namespace {
struct Answer {
    int status = 0;
    QByteArray body;
    QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
};
} // namespace

// Proves the platform stand-in's own answers as a client sees them. Its faults and the
// push service's stand-in are proven through the real clients in the platform and push tests.
class FakeServicesTest final : public QObject {
    Q_OBJECT

    FakeServices fake_;
    QNetworkAccessManager network_;

    Answer send(const QString& pathAndQuery, const QByteArray& key = "test-key-alpha")
    {
        QNetworkRequest request(QUrl(fake_.apiUrl().toString() + pathAndQuery));
        request.setRawHeader("Authorization", "Bearer " + key);
        QNetworkReply* reply = network_.get(request);
        QSignalSpy finished(reply, &QNetworkReply::finished);
        if (!reply->isFinished())
            finished.wait(20000);
        reply->deleteLater();
        return {reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                reply->readAll()};
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(fake_.start(), qPrintable(fake_.errorString()));
        fake_.trustInProcess();
    }

    void answersOnlyKnownKeys()
    {
        const Answer known = send(QStringLiteral("/v1/broker_connections"));
        QCOMPARE(known.status, 200);
        QCOMPARE(known.json().value(QStringLiteral("data")).toArray().size(), 2);
        const Answer unknown = send(QStringLiteral("/v1/bots"), "not-a-key");
        QCOMPARE(unknown.status, 401);
        QCOMPARE(unknown.json().value(QStringLiteral("success")), QJsonValue(false));
        QVERIFY(!unknown.json().value(QStringLiteral("message")).toString().isEmpty());
        QCOMPARE(fake_.requests().last().header("Authorization"), QByteArray("Bearer not-a-key"));
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
        const Answer a =
            send(QStringLiteral("/v1/bots/positions/?from_date=2000-01-01&to_date=") + day);
        const QJsonArray positions = a.json().value(QStringLiteral("data")).toArray();
        QVERIFY(positions.size() > 3);
        QCOMPARE(positions.first()[QStringLiteral("entered_at")].toString(),
                 day + QStringLiteral("T10:02:11.250114") + offset);
        QVERIFY(!a.body.contains("${"));
    }
};

CORVANE_TEST(FakeServicesTest)

#include "test_fakeservices.moc"
