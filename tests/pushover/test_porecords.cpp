#include "pushover/porecords.h"
#include "support/testregistry.h"

#include <QTest>

using namespace corvane;

namespace {

// A message as the service lists it, with the id given and any extra fields appended.
QByteArray messageJson(const QByteArray& id, const QByteArray& extra = {})
{
    return R"({"id":)" + id + R"(,"id_str":")" + id + R"(","umid":)" + id + R"(,"umid_str":")" +
           id +
           R"(","message":"body","app":"Orrisfield","aid":731904466205518390,)"
           R"("aid_str":"731904466205518390","icon":"icon","date":1718900000,"priority":0)" +
           extra + "}";
}

QByteArray envelope(const QByteArray& fields)
{
    return R"({"status":1,"request":"r-1")" + fields + "}";
}

} // namespace

class PoRecordsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decodesTheEnvelope()
    {
        const auto bare = decodePoLoginApiResponse(envelope({}));
        QVERIFY2(bare.ok(), qPrintable(bare.error()));
        QCOMPARE(bare.value().status, 1);
        QVERIFY(!bare.value().id && !bare.value().secret && !bare.value().errors &&
                !bare.value().messages);

        const auto full = decodePoLoginApiResponse(envelope(
            R"(,"id":"u1","secret":"s1","errors":{"name":["has already been taken"]},)"
            R"("messages":[)" +
            messageJson("9007199254740993", R"(,"title":"T","queued_date":null,"html":1)") + "," +
            messageJson("5") + "]"));
        QVERIFY2(full.ok(), qPrintable(full.error()));
        const poLoginApiResponse& r = full.value();
        QCOMPARE(*r.id, QStringLiteral("u1"));
        QCOMPARE(*r.secret, QStringLiteral("s1"));
        QCOMPARE(*r.errors->name, QStringList{QStringLiteral("has already been taken")});
        QCOMPARE(r.messages->size(), 2);
        // Above 2^53: a double would read ...992.
        QCOMPARE(r.messages->at(0).id, Q_INT64_C(9007199254740993));
        QCOMPARE(r.messages->at(0).id_str, QStringLiteral("9007199254740993"));
        QCOMPARE(*r.messages->at(0).title, QStringLiteral("T"));
        QVERIFY(!r.messages->at(1).title);
        QCOMPARE(r.messages->at(1).aid_str, QStringLiteral("731904466205518390"));

        const auto empty = decodePoLoginApiResponse(envelope(R"(,"messages":[])"));
        QVERIFY(empty.ok() && empty.value().messages && empty.value().messages->isEmpty());
    }

    void rejectsWhatTheServiceNeverSends()
    {
        const auto noRequest = decodePoLoginApiResponse(R"({"status":1})");
        QVERIFY(!noRequest.ok());
        QCOMPARE(noRequest.error(), QStringLiteral("missing required key \"request\""));
        const auto noIcon = decodePoLoginApiResponse(
            envelope(R"(,"messages":[)" + messageJson("1").replace(R"("icon":"icon",)", "") + "]"));
        QVERIFY(!noIcon.ok());
        QCOMPARE(noIcon.error(), QStringLiteral("\"messages[0]\": missing required key \"icon\""));
        QVERIFY(!decodePoLoginApiResponse("<html>502 Bad Gateway</html>").ok());
    }

    void highestIsTheLargestIdFirstOfEquals()
    {
        const auto result = decodePoLoginApiResponse(envelope(
            R"(,"messages":[)" + messageJson("5") + "," + messageJson("9", R"(,"title":"a")") +
            "," + messageJson("9", R"(,"title":"b")") + "," + messageJson("7") + "]"));
        QVERIFY(result.ok());
        const Message* highest = highestMessage(*result.value().messages);
        QVERIFY(highest);
        QCOMPARE(*highest->title, QStringLiteral("a"));
        QVERIFY(!highestMessage({}));
    }
};

CORVANE_TEST(PoRecordsTest)
#include "test_porecords.moc"
