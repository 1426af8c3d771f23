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
using namespace Qt::StringLiterals;

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
        QTest::newRow("summer") << u"2026-07-02"_s << u"-04:00"_s;
        QTest::newRow("winter") << u"2027-01-05"_s << u"-05:00"_s;
    }

    void fillsTheDayAskedFor()
    {
        QFETCH(QString, day);
        QFETCH(QString, offset);
        const QByteArray body = send(u"/v1/bots/positions/?from_date=2000-01-01&to_date="_s + day);
        const QJsonArray positions =
            QJsonDocument::fromJson(body).object().value(u"data"_s).toArray();
        QVERIFY(positions.size() > 3);
        QCOMPARE(positions.first()[u"entered_at"_s].toString(),
                 day + u"T10:02:11.250114"_s + offset);
        QVERIFY(!body.contains("${"));
    }
};

CORVANE_TEST(FakeServicesTest)

#include "test_fakeservices.moc"
