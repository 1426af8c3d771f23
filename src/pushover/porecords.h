#pragma once

#include "base/wire.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace corvane {

// Error texts by field, as Pushover sends them under "errors".
struct ErrorResponse {
    std::optional<QStringList> name;

    bool operator==(const ErrorResponse&) const = default;
};

// One message waiting for this device. Ids run above 2^53, so they are held as exact 64-bit
// integers, never as doubles. Fields we do not use are still read so that their presence and
// types decide whether an answer is accepted.
struct Message {
    qint64 id = 0;
    QString id_str;
    qint64 umid = 0;
    QString umid_str;
    std::optional<QString> title;
    QString message;
    QString app;
    qint64 aid = 0;
    QString aid_str;
    QString icon;
    qint64 date = 0;
    std::optional<qint64> queued_date;
    std::optional<qint64> dispatched_date;
    qint64 priority = 0;
    std::optional<QString> sound;
    std::optional<QString> url;
    std::optional<QString> url_title;
    std::optional<qint64> acked;
    std::optional<QString> receipt;
    std::optional<qint64> html;

    bool operator==(const Message&) const = default;
};

// Every Pushover answer (login, registration, download, acknowledgement) is read into this
// one envelope.
struct poLoginApiResponse {
    qint64 status = 0;
    QString request;
    std::optional<QString> id;
    std::optional<QString> secret;
    std::optional<ErrorResponse> errors;
    std::optional<QList<Message>> messages;

    bool operator==(const poLoginApiResponse&) const = default;
};

wire::Result<poLoginApiResponse> decodePoLoginApiResponse(const QByteArray& body);

// The message to acknowledge: the largest id, the first of equals. Null for an empty list.
const Message* highestMessage(const QList<Message>& messages);

} // namespace corvane
