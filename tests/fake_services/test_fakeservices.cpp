#include "fakeservices.h"
#include "pushover.h"
#include "pushsocket.h"
#include "support/testregistry.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTest>
#include <QWebSocket>

using namespace corvane::fake;

namespace {
struct Answer {
    int status = 0;
    QByteArray body;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
};
} // namespace

// Proves the stand-ins behave as a client sees them; the real clients are tested elsewhere.
class FakeServicesTest final : public QObject {
    Q_OBJECT

    FakeServices fake_;
    QNetworkAccessManager network_;

    Answer send(const QString& pathAndQuery, const QByteArray& key = "test-key-alpha",
                const QByteArray& form = {})
    {
        QNetworkRequest request(QUrl(fake_.apiUrl().toString() + pathAndQuery));
        request.setRawHeader("Authorization", "Bearer " + key);
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QByteArrayLiteral("application/x-www-form-urlencoded"));
        QNetworkReply* reply = form.isNull() ? network_.get(request) : network_.post(request, form);
        QSignalSpy finished(reply, &QNetworkReply::finished);
        if (!reply->isFinished())
            finished.wait(20000);
        reply->deleteLater();
        return {reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                reply->readAll(), reply->error()};
    }

    Answer post(const QString& path, const QByteArray& form) { return send(path, {}, form); }
    Answer login(const QByteArray& form)
    {
        return post(QStringLiteral("/1/users/login.json"), form);
    }
    QString loginSecret(const QByteArray& form)
    {
        return login(form).json().value(QStringLiteral("secret")).toString();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(fake_.start(), qPrintable(fake_.errorString()));
        fake_.trustInProcess();
        fake_.pushover().addAccount(QStringLiteral("ann@example.com"), QStringLiteral("p&ss=1+"));
        fake_.pushover().addAccount(QStringLiteral("two@example.com"), QStringLiteral("pw"),
                                    QStringLiteral("123456"));
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

    void spoilsAnswersAsAsked_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("failed");
        QTest::addColumn<bool>("validJson");
        QTest::newRow("status") << int(Fault::Kind::None) << 503 << true << true;
        QTest::newRow("drop") << int(Fault::Kind::Drop) << 0 << true << false;
        QTest::newRow("garbage") << int(Fault::Kind::Garbage) << 200 << false << false;
        QTest::newRow("truncated") << int(Fault::Kind::Truncated) << 200 << true << false;
        QTest::newRow("oversized") << int(Fault::Kind::Oversized) << 200 << false << true;
    }

    void spoilsAnswersAsAsked()
    {
        QFETCH(int, kind);
        QFETCH(int, status);
        QFETCH(bool, failed);
        QFETCH(bool, validJson);
        // A one-shot drop on a kept-alive connection is re-sent by the client unseen.
        const bool sticky = kind == int(Fault::Kind::Drop);
        Fault fault{QStringLiteral("/v1/bo*"), Fault::Kind(kind), status, 20, sticky};
        fault.oversizedBytes = 3 * 1024 * 1024;
        fake_.injectFault(fault);
        const Answer spoilt = send(QStringLiteral("/v1/bots"));
        QCOMPARE(spoilt.error != QNetworkReply::NoError, failed);
        QCOMPARE(spoilt.status, status);
        QCOMPARE(!QJsonDocument::fromJson(spoilt.body).isNull(), validJson);
        if (fault.kind == Fault::Kind::Oversized)
            QCOMPARE(spoilt.body.size(), fault.oversizedBytes);
        if (sticky)
            fake_.clearFaults();
        QCOMPARE(send(QStringLiteral("/v1/bots")).status, 200); // one-shot: gone once used
    }

    void pushoverLogsInAndRegisters()
    {
        // "&", "=" and "+" in a password survive the form encoding both ways.
        const QString secret = loginSecret("email=ann%40example.com&password=p%26ss%3D1%2B");
        QVERIFY(!secret.isEmpty());
        QCOMPARE(login("email=ann%40example.com&password=wrong").status, 400);
        const Answer twoFactor = login("email=two%40example.com&password=pw");
        QCOMPARE(twoFactor.status, 412);
        QCOMPARE(twoFactor.json().value(QStringLiteral("status")).toInt(), 0);
        QVERIFY(!loginSecret("email=two%40example.com&password=pw&twofa=123456").isEmpty());

        const QByteArray registration = "secret=" + secret.toLatin1() + "&name=desk&os=O";
        QCOMPARE(post(QStringLiteral("/1/devices.json"), registration).status, 200);
        const Answer taken = post(QStringLiteral("/1/devices.json"), registration);
        QCOMPARE(taken.json().value(QStringLiteral("status")).toInt(), 0);
        QCOMPARE(taken.json()[QStringLiteral("errors")][QStringLiteral("name")][0].toString(),
                 QStringLiteral("has already been taken"));
    }

    void socketSignalsAndMessagesAreDeletedUpToTheAcknowledgedId()
    {
        const QString secret = loginSecret("email=ann%40example.com&password=p%26ss%3D1%2B");
        const QString device = post(QStringLiteral("/1/devices.json"),
                                    "secret=" + secret.toLatin1() + "&name=laptop&os=O")
                                   .json()
                                   .value(QStringLiteral("id"))
                                   .toString();
        QWebSocket bad;
        QWebSocket good;
        QSignalSpy badFrames(&bad, &QWebSocket::binaryMessageReceived);
        QSignalSpy goodFrames(&good, &QWebSocket::binaryMessageReceived);
        QSignalSpy loggedIn(&fake_.socket(), &PushSocket::loggedIn);
        for (QWebSocket* socket : {&bad, &good}) {
            QSignalSpy connected(socket, &QWebSocket::connected);
            socket->open(fake_.socketUrl());
            QVERIFY(connected.wait(20000));
        }
        bad.sendTextMessage(QStringLiteral("login:") + device + QStringLiteral(":wrong\n"));
        good.sendTextMessage(QStringLiteral("login:") + device + u':' + secret + u'\n');
        QVERIFY(badFrames.wait(20000));
        QCOMPARE(badFrames.first().first().toByteArray(), QByteArray("E"));
        QVERIFY(loggedIn.count() == 1 || loggedIn.wait(20000));

        PushoverMessage waiting;
        waiting.message = QStringLiteral("Bot 11 closed");
        fake_.pushover().queueMessage(waiting);
        QVERIFY(goodFrames.wait(20000));
        QCOMPARE(goodFrames.first().first().toByteArray(), QByteArray("!"));
        fake_.socket().setKeepAliveInterval(10);
        QVERIFY(goodFrames.wait(20000));
        QCOMPARE(goodFrames.last().first().toByteArray(), QByteArray("#"));

        const QString query = QStringLiteral("/1/messages.json?secret=") + secret +
                              QStringLiteral("&device_id=") + device;
        const Answer download = send(query, {});
        const QJsonObject message =
            download.json().value(QStringLiteral("messages")).toArray().first().toObject();
        const QString idText = message.value(QStringLiteral("id_str")).toString();
        QVERIFY(idText.toLongLong() > (qint64(1) << 53));
        QVERIFY(download.body.contains(QByteArray("\"id\":" + idText.toLatin1() + ',')));
        QCOMPARE(message.value(QStringLiteral("aid_str")).toString(),
                 QStringLiteral("731904466205518390"));
        QCOMPARE(post(QStringLiteral("/1/devices/") + device +
                          QStringLiteral("/update_highest_message.json"),
                      "secret=" + secret.toLatin1() + "&message=" + idText.toLatin1())
                     .status,
                 200);
        QCOMPARE(send(query, {}).json().value(QStringLiteral("messages")).toArray().size(), 0);
    }
};

CORVANE_TEST(FakeServicesTest)

#include "test_fakeservices.moc"
