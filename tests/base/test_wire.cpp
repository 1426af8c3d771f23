#include "base/wire.h"
#include "support/testregistry.h"

#include <QTest>

using namespace corvane;
using namespace Qt::StringLiterals;

namespace {

struct Sample {
    QString name;
    std::optional<QString> nick;
    qint64 count = 0;
    std::optional<double> ratio;
    std::optional<bool> flag;
    QList<qint64> ids;
};

Sample readSample(wire::Value v)
{
    Sample s;
    bool name = false, count = false, ids = false;
    wire::object(v, [&](std::string_view key, wire::Value field) {
        if (key == "name") {
            s.name = wire::text(field);
            name = true;
        } else if (key == "nick") {
            s.nick = wire::optText(field);
        } else if (key == "count") {
            s.count = wire::integer(field);
            count = true;
        } else if (key == "ratio") {
            s.ratio = wire::optNumber(field);
        } else if (key == "flag") {
            s.flag = wire::optBoolean(field);
        } else if (key == "ids") {
            s.ids = wire::array(field, [](wire::Value id) { return wire::integer(id); });
            ids = true;
        }
    });
    wire::require(name, "name");
    wire::require(count, "count");
    wire::require(ids, "ids");
    return s;
}

wire::Result<QList<Sample>> decodeSamples(const QByteArray& bytes)
{
    return wire::decode(bytes, [](wire::Value root) { return wire::array(root, readSample); });
}

} // namespace

class WireTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsEveryTypeAndIgnoresUnknownKeys()
    {
        const auto result = decodeSamples(QByteArrayLiteral(
            R"([{"name":"A\u00e9","nick":null,"count":9007199254740993,"ratio":-1.5e2,)"
            R"("flag":true,"ids":[1,-2,3.0],"extra":{"deep":[1,{"x":null}]}}])"));
        QVERIFY2(result.ok(), qPrintable(result.error()));
        const Sample& s = result.value().first();
        QCOMPARE(s.name, u"A\u00e9"_s);
        QVERIFY(!s.nick.has_value());
        QCOMPARE(s.count, Q_INT64_C(9007199254740993)); // above 2^53, held exactly
        QCOMPARE(*s.ratio, -150.0);
        QCOMPARE(*s.flag, true);
        QCOMPARE(s.ids, (QList<qint64>{1, -2, 3}));
    }

    void failuresNameTheKey_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("expected"); // empty: any description
        const QByteArray ok = R"("count":1,"ids":[])";
        QTest::newRow("missing required") << QByteArray(R"([{"count":1,"ids":[]}])")
                                          << u"\"[0]\": missing required key \"name\""_s;
        QTest::newRow("null required") << QByteArray(R"([{"name":null,)" + ok + "}]")
                                       << u"\"[0].name\": expected a string, found null"_s;
        QTest::newRow("number as text") << QByteArray(R"([{"name":5,)" + ok + "}]")
                                        << u"\"[0].name\": expected a string, found a number"_s;
        QTest::newRow("text as number") << QByteArray(R"([{"name":"a","ratio":"1.5",)" + ok + "}]")
                                        << u"\"[0].ratio\": expected a number, found a string"_s;
        QTest::newRow("fraction as integer")
            << QByteArray(R"([{"name":"a","count":1,"ids":[4,2.5]}])")
            << QStringLiteral(
                   "\"[0].ids[1]\": expected an integer, found a number with a fraction");
        QTest::newRow("integer beyond 64 bits")
            << QByteArray(R"([{"name":"a","count":18446744073709551615,"ids":[]}])")
            << u"\"[0].count\": the integer does not fit in 64 bits"_s;
        QTest::newRow("wrong optional type")
            << QByteArray(R"([{"name":"a","flag":"yes",)" + ok + "}]")
            << u"\"[0].flag\": expected a boolean, found a string"_s;
        QTest::newRow("object where array")
            << QByteArray(R"({"name":"a"})") << u"expected an array, found an object"_s;
        // Malformed input fails with a description of its own.
        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("html") << QByteArray("<html><body>401 Unauthorized</body></html>")
                              << QString();
        QTest::newRow("truncated")
            << QByteArray(R"([{"name":"a","count":1,"ids":[1,2)") << QString();
        QTest::newRow("trailing content") << QByteArray(R"([] [])") << QString();
        QTest::newRow("invalid utf-8")
            << QByteArray("[{\"name\":\"\xff\xfe\",\"count\":1,\"ids\":[]}]") << QString();
        QTest::newRow("deep nesting") << QByteArray(5000, '[') + QByteArray(5000, ']') << QString();
        QTest::newRow("huge number")
            << QByteArray(R"([{"name":"a","count":1e999,"ids":[]}])") << QString();
        QTest::newRow("bare word") << QByteArray("[nope]") << QString();
        // Under keys no decoder reads: the answer is still refused as a whole.
        const QByteArray head = R"([{"name":"a","count":1,"ids":[],)";
        QTest::newRow("bad atom under an unread key") << head + R"("junk":tru}])" << QString();
        QTest::newRow("missing element under an unread key")
            << head + R"("x":[1,,2]}])" << QString();
        QTest::newRow("bad escape deep under an unread key")
            << head + R"("x":[{"y":"\q"}]}])" << QString();
        QTest::newRow("missing colon under an unread key")
            << head + R"("x":{"y" 1}}])" << QString();
        QTest::newRow("bad number under an unread key") << head + R"("x":1.2.3}])" << QString();
        QTest::newRow("half a null where null is allowed")
            << QByteArray(R"([{"name":"a","nick":nul,"count":1,"ids":[]}])") << QString();
    }

    void failuresNameTheKey()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, expected);
        const auto result = decodeSamples(json);
        QVERIFY(!result.ok());
        QVERIFY(!result.error().isEmpty());
        if (!expected.isEmpty())
            QCOMPARE(result.error(), expected);
    }

    // Qt moves the start of the data forward on remove(0, n) and keeps the freed space in
    // front, so the capacity no longer says how much room lies behind the last byte.
    void readsDataWithoutRoomBehindIt()
    {
        const QByteArray tail = R"([{"name":"a","count":1,"ids":[2]}])";
        QByteArray bytes = QByteArray(200, ' ') + tail;
        bytes.remove(0, 200);
        QVERIFY(bytes.capacity() >= bytes.size() + 64);
        QVERIFY(!wire::detail::hasPadding(bytes));
        const auto result = decodeSamples(bytes);
        QVERIFY2(result.ok(), qPrintable(result.error()));
        QCOMPARE(result.value().first().ids, QList<qint64>{2});

        QByteArray roomy = tail;
        roomy.reserve(tail.size() + 100);
        QVERIFY(wire::detail::hasPadding(roomy));
        QVERIFY(decodeSamples(roomy).ok());
    }
};

CORVANE_TEST(WireTest)

#include "test_wire.moc"
