#pragma once

#include "httpmessage.h"

#include <QDate>
#include <QHash>
#include <QStringList>

namespace corvane::fake {

// The Orrisfield API: "/v1/bots/positions/", "/v1/broker_connections" and "/v1/bots", each
// answered per API key from JSON fixtures. A fixture folder holds one folder per known key
// with "positions.json", "broker_connections.json" and "bots.json". Fixture texts may hold
// placeholders filled from the request:
//   ${TO_DATE}, ${FROM_DATE}     the "to_date"/"from_date" of the query (yyyy-MM-dd); when
//                                absent, today in New York and the day before
//   ${TO_OFFSET}, ${FROM_OFFSET} New York's UTC offset on that day, "-05:00" or "-04:00"
class Orrisfield {
public:
    // Reads the fixtures compiled into the program, or those of a folder of the same layout.
    explicit Orrisfield(const QString& fixtureFolder = {});

    QStringList knownKeys() const { return fixtures_.keys(); }
    bool handles(const QString& path) const;
    HttpResponse answer(const HttpRequest& request) const;

    // The key of "Authorization: Bearer <key>", or empty.
    static QString apiKeyOf(const HttpRequest& request);
    // Fills the date placeholders of a fixture text for this request; fixed answers set
    // through the control routes get them too, so a changing day can be fed from outside.
    static QByteArray withDates(const QByteArray& text, const HttpRequest& request);

private:
    QHash<QString, QHash<QString, QByteArray>> fixtures_; // key -> file name -> text
};

} // namespace corvane::fake
