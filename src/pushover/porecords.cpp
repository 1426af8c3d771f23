#include "porecords.h"

namespace corvane {

namespace {

ErrorResponse readErrors(wire::Value v)
{
    ErrorResponse errors;
    wire::object(v, [&](std::string_view key, wire::Value field) {
        if (key == "name") {
            auto list = wire::optArray(field, [](wire::Value item) { return wire::text(item); });
            if (list)
                errors.name = QStringList(*list);
        }
    });
    return errors;
}

Message readMessage(wire::Value v)
{
    Message m;
    // One bit per required key, in the order of the record.
    enum : unsigned {
        Id = 1u << 0,
        IdStr = 1u << 1,
        Umid = 1u << 2,
        UmidStr = 1u << 3,
        Body = 1u << 4,
        App = 1u << 5,
        Aid = 1u << 6,
        AidStr = 1u << 7,
        Icon = 1u << 8,
        Date = 1u << 9,
        Priority = 1u << 10,
    };
    unsigned seen = 0;
    wire::object(v, [&](std::string_view key, wire::Value field) {
        if (key == "id") {
            m.id = wire::integer(field);
            seen |= Id;
        } else if (key == "id_str") {
            m.id_str = wire::text(field);
            seen |= IdStr;
        } else if (key == "umid") {
            m.umid = wire::integer(field);
            seen |= Umid;
        } else if (key == "umid_str") {
            m.umid_str = wire::text(field);
            seen |= UmidStr;
        } else if (key == "title") {
            m.title = wire::optText(field);
        } else if (key == "message") {
            m.message = wire::text(field);
            seen |= Body;
        } else if (key == "app") {
            m.app = wire::text(field);
            seen |= App;
        } else if (key == "aid") {
            m.aid = wire::integer(field);
            seen |= Aid;
        } else if (key == "aid_str") {
            m.aid_str = wire::text(field);
            seen |= AidStr;
        } else if (key == "icon") {
            m.icon = wire::text(field);
            seen |= Icon;
        } else if (key == "date") {
            m.date = wire::integer(field);
            seen |= Date;
        } else if (key == "queued_date") {
            m.queued_date = wire::optInteger(field);
        } else if (key == "dispatched_date") {
            m.dispatched_date = wire::optInteger(field);
        } else if (key == "priority") {
            m.priority = wire::integer(field);
            seen |= Priority;
        } else if (key == "sound") {
            m.sound = wire::optText(field);
        } else if (key == "url") {
            m.url = wire::optText(field);
        } else if (key == "url_title") {
            m.url_title = wire::optText(field);
        } else if (key == "acked") {
            m.acked = wire::optInteger(field);
        } else if (key == "receipt") {
            m.receipt = wire::optText(field);
        } else if (key == "html") {
            m.html = wire::optInteger(field);
        }
    });
    wire::require(seen & Id, "id");
    wire::require(seen & IdStr, "id_str");
    wire::require(seen & Umid, "umid");
    wire::require(seen & UmidStr, "umid_str");
    wire::require(seen & Body, "message");
    wire::require(seen & App, "app");
    wire::require(seen & Aid, "aid");
    wire::require(seen & AidStr, "aid_str");
    wire::require(seen & Icon, "icon");
    wire::require(seen & Date, "date");
    wire::require(seen & Priority, "priority");
    return m;
}

poLoginApiResponse readEnvelope(wire::Value v)
{
    poLoginApiResponse r;
    bool status = false, request = false;
    wire::object(v, [&](std::string_view key, wire::Value field) {
        if (key == "status") {
            r.status = wire::integer(field);
            status = true;
        } else if (key == "request") {
            r.request = wire::text(field);
            request = true;
        } else if (key == "id") {
            r.id = wire::optText(field);
        } else if (key == "secret") {
            r.secret = wire::optText(field);
        } else if (key == "errors") {
            r.errors = wire::optObject(field, readErrors);
        } else if (key == "messages") {
            r.messages = wire::optArray(field, readMessage);
        }
    });
    wire::require(status, "status");
    wire::require(request, "request");
    return r;
}

} // namespace

wire::Result<poLoginApiResponse> decodePoLoginApiResponse(const QByteArray& body)
{
    return wire::decode(body, readEnvelope);
}

const Message* highestMessage(const QList<Message>& messages)
{
    const Message* highest = nullptr;
    for (const Message& m : messages) {
        if (!highest || m.id > highest->id)
            highest = &m;
    }
    return highest;
}

} // namespace corvane
