#include "fetchrig.h"
#include "support/logcapture.h"
#include "support/testregistry.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

using namespace corvane;
using namespace Qt::StringLiterals;
using namespace corvane::test;
using corvane::fake::Fault;

namespace {

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

class FetchFaultsTest final : public FetchRig {
    Q_OBJECT

private Q_SLOTS:
    void positionsFailures_data()
    {
        QTest::addColumn<Trouble>("trouble");
        QTest::addColumn<QString>("internetError"); // null: unchanged
        QTest::addColumn<QString>("criticalError"); // null: unchanged; "*": a decoder text
        QTest::newRow("refused") << Trouble::refused << u"Cannot connect to the Orrisfield."_s
                                 << QString();
        QTest::newRow("timed out") << Trouble::timedOut << timeoutText << QString();
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
        if (internetError.isNull()) {
            QVERIFY(!m_globalData.internetError());
        } else {
            QVERIFY(m_globalData.internetError());
            const QString text = *m_globalData.internetError();
            if (internetError.endsWith(u'*'))
                QVERIFY2(text.startsWith(internetError.chopped(1)) &&
                             text.size() > internetError.size(),
                         qPrintable(text));
            else
                QCOMPARE(text, internetError);
        }
        if (criticalError.isNull()) {
            QCOMPARE(m_globalData.criticalError(), std::optional<QString>(earlier));
        } else {
            const QString text = m_globalData.criticalError().value_or(QString());
            if (criticalError == u'*')
                QVERIFY2(!text.isEmpty() && text != earlier && !text.startsWith(u"Error: "),
                         qPrintable(text));
            else
                QCOMPARE(text, criticalError);
            // Texts that are not the platform's own message are logged as well.
            if (!text.startsWith(u"Error: "))
                QVERIFY(log.contains(u"Error fetching data: "_s + text));
        }
        m_fake.clearFaults();
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

CORVANE_TEST(FetchFaultsTest)
#include "test_fetchfaults.moc"
