#include "control.h"

#include "fakeservices.h"
#include "pushover.h"
#include "pushsocket.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace corvane::fake {

namespace {

HttpResponse ok(const QJsonValue& value = QJsonObject{{QStringLiteral("ok"), true}})
{
    const QJsonDocument document =
        value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    return {200, document.toJson(QJsonDocument::Compact)};
}

HttpResponse bad(const QString& why)
{
    return {
        400,
        QJsonDocument(QJsonObject{{QStringLiteral("error"), why}}).toJson(QJsonDocument::Compact)};
}

QJsonObject pairsToJson(const Pairs& pairs)
{
    QJsonObject object;
    for (const auto& [name, value] : pairs)
        object.insert(name, value);
    return object;
}

QJsonArray requestsToJson(const QList<HttpRequest>& requests)
{
    QJsonArray list;
    for (const HttpRequest& r : requests) {
        QJsonObject headers;
        for (const auto& [name, value] : r.headers)
            headers.insert(QString::fromLatin1(name), QString::fromUtf8(value));
        list.append(QJsonObject{
            {QStringLiteral("method"), QString::fromLatin1(r.method)},
            {QStringLiteral("path"), r.path},
            {QStringLiteral("query"), QString::fromUtf8(r.rawQuery)},
            {QStringLiteral("query_items"), pairsToJson(r.query)},
            {QStringLiteral("headers"), headers},
            {QStringLiteral("form"), pairsToJson(r.form)},
            {QStringLiteral("body"), QString::fromUtf8(r.body)},
        });
    }
    return list;
}

QJsonArray framesToJson(const QList<Frame>& frames)
{
    QJsonArray list;
    for (const Frame& f : frames) {
        list.append(QJsonObject{
            {QStringLiteral("direction"),
             f.outbound ? QStringLiteral("out") : QStringLiteral("in")},
            {QStringLiteral("binary"), f.binary},
            {QStringLiteral("data"), QString::fromUtf8(f.data)},
        });
    }
    return list;
}

std::optional<Fault> faultFrom(const QJsonObject& o)
{
    static const QHash<QString, Fault::Kind> kinds{
        {QString(), Fault::Kind::none},
        {QStringLiteral("none"), Fault::Kind::none},
        {QStringLiteral("drop"), Fault::Kind::drop},
        {QStringLiteral("garbage"), Fault::Kind::garbage},
        {QStringLiteral("truncated"), Fault::Kind::truncated},
        {QStringLiteral("oversized"), Fault::Kind::oversized},
        {QStringLiteral("redirect"), Fault::Kind::redirect},
        {QStringLiteral("silent"), Fault::Kind::silent},
    };
    const QString kind = o.value(QStringLiteral("kind")).toString();
    if (!kinds.contains(kind) || o.value(QStringLiteral("path")).toString().isEmpty())
        return std::nullopt;
    Fault fault;
    fault.path = o.value(QStringLiteral("path")).toString();
    fault.kind = kinds.value(kind);
    fault.status = o.value(QStringLiteral("status")).toInt();
    fault.delayMs = o.value(QStringLiteral("delay_ms")).toInt();
    fault.sticky = o.value(QStringLiteral("sticky")).toBool();
    if (o.contains(QStringLiteral("bytes")))
        fault.oversizedBytes = o.value(QStringLiteral("bytes")).toInteger();
    fault.location = o.value(QStringLiteral("location")).toString().toUtf8();
    return fault;
}

QByteArray bodyFrom(const QJsonValue& value)
{
    if (value.isString())
        return value.toString().toUtf8();
    if (value.isArray())
        return QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact);
    return QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
}

} // namespace

HttpResponse handleControl(FakeServices& fake, const HttpRequest& request)
{
    const QString route = request.path.mid(QStringLiteral("/_control/").size());
    QJsonParseError error{};
    const QJsonObject in = request.body.isEmpty()
                               ? QJsonObject()
                               : QJsonDocument::fromJson(request.body, &error).object();
    if (error.error != QJsonParseError::NoError)
        return bad(QStringLiteral("body is not JSON: ") + error.errorString());
    auto text = [&in](const char* key) { return in.value(QString::fromLatin1(key)).toString(); };

    if (route == QStringLiteral("info")) {
        return ok(QJsonObject{
            {QStringLiteral("api"), fake.apiUrl().toString()},
            {QStringLiteral("pushover"), fake.pushoverUrl().toString()},
            {QStringLiteral("socket"), fake.socketUrl().toString()},
            {QStringLiteral("feed"), fake.feedUrl().toString()},
            {QStringLiteral("ca"), fake.caFile()},
            {QStringLiteral("keys"), QJsonArray::fromStringList(fake.knownKeys())},
        });
    }
    if (route == QStringLiteral("feed")) {
        fake.setFeed(text("body").toUtf8());
        return ok();
    }
    if (route == QStringLiteral("answer")) {
        if (text("path").isEmpty())
            return bad(QStringLiteral("\"path\" is required"));
        fake.setAnswer(text("path"), text("key"), in.value(QStringLiteral("status")).toInt(200),
                       bodyFrom(in.value(QStringLiteral("body"))));
        return ok();
    }
    if (route == QStringLiteral("answer/clear")) {
        if (text("path").isEmpty())
            fake.clearAnswers();
        else
            fake.clearAnswer(text("path"), text("key"));
        return ok();
    }
    if (route == QStringLiteral("fault")) {
        const std::optional<Fault> fault = faultFrom(in);
        if (!fault)
            return bad(QStringLiteral("a fault needs \"path\" and a known \"kind\""));
        fake.injectFault(*fault);
        return ok();
    }
    if (route == QStringLiteral("fault/clear")) {
        fake.clearFaults();
        return ok();
    }
    if (route == QStringLiteral("requests"))
        return ok(requestsToJson(fake.requests()));
    if (route == QStringLiteral("requests/clear")) {
        fake.clearRequests();
        return ok();
    }
    if (route == QStringLiteral("pushover/account")) {
        if (text("email").isEmpty())
            return bad(QStringLiteral("\"email\" is required"));
        fake.pushover().addAccount(text("email"), text("password"), text("twofa"));
        return ok();
    }
    if (route == QStringLiteral("pushover/message")) {
        PushoverMessage message;
        message.message = text("message");
        if (in.contains(QStringLiteral("title")))
            message.title = text("title");
        if (in.contains(QStringLiteral("app")))
            message.app = text("app");
        if (in.contains(QStringLiteral("aid")))
            message.aid = text("aid");
        message.email = text("email");
        const qint64 id = fake.pushover().queueMessage(message);
        return ok(QJsonObject{{QStringLiteral("id"), id},
                              {QStringLiteral("id_str"), QString::number(id)}});
    }
    if (route == QStringLiteral("pushover/keepalive")) {
        fake.socket().setKeepAliveInterval(in.value(QStringLiteral("interval_ms")).toInt(30000));
        return ok();
    }
    if (route == QStringLiteral("pushover/frame")) {
        fake.socket().sendFrame(text("data").toUtf8(),
                                in.value(QStringLiteral("binary")).toBool(true));
        return ok();
    }
    if (route == QStringLiteral("pushover/close")) {
        fake.socket().closeAll(in.value(QStringLiteral("code")).toInt(1000));
        return ok();
    }
    if (route == QStringLiteral("pushover/frames"))
        return ok(framesToJson(fake.socket().frames()));
    if (route == QStringLiteral("pushover/frames/clear")) {
        fake.socket().clearFrames();
        return ok();
    }
    return {404, R"({"error":"no such control route"})"};
}

} // namespace corvane::fake
