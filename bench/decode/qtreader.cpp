#include "qtreader.h"

#include "platform_api/recordfields.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLatin1StringView>
#include <cmath>

using namespace corvane;

namespace {

struct QtError {
    QString description;
};

[[noreturn]] void fail(QLatin1StringView key, const char* problem)
{
    throw QtError{u'"' + key + QStringLiteral("\": ") + QLatin1StringView(problem)};
}

template <class R> struct QtField {
    QLatin1StringView key;
    void (*read)(const QJsonValue&, R&, QLatin1StringView);
    bool required;
};

void readQt(const QJsonValue& v, QString& out, QLatin1StringView key)
{
    if (!v.isString())
        fail(key, "expected a string");
    out = v.toString();
}

void readQt(const QJsonValue& v, wire::Text& out, QLatin1StringView key)
{
    if (!v.isString())
        fail(key, "expected a string");
    const QByteArray utf8 = v.toString().toUtf8();
    const auto kept = wire::TextSink::keep(std::string_view(utf8.constData(), size_t(utf8.size())));
    if (!kept)
        fail(key, "no room to keep a text");
    out = *kept;
}

void readQt(const QJsonValue& v, double& out, QLatin1StringView key)
{
    if (!v.isDouble())
        fail(key, "expected a number");
    out = v.toDouble();
}

void readQt(const QJsonValue& v, qint64& out, QLatin1StringView key)
{
    if (!v.isDouble())
        fail(key, "expected an integer");
    const double d = v.toDouble();
    if (d != std::trunc(d))
        fail(key, "expected an integer, found a number with a fraction");
    out = v.toInteger(static_cast<qint64>(d));
}

void readQt(const QJsonValue& v, bool& out, QLatin1StringView key)
{
    if (!v.isBool())
        fail(key, "expected a boolean");
    out = v.toBool();
}

void readQt(const QJsonValue& v, Bot& out, QLatin1StringView key);
void readQt(const QJsonValue& v, BrokerConnection& out, QLatin1StringView key);
void readQt(const QJsonValue& v, Leg& out, QLatin1StringView key);
void readQt(const QJsonValue& v, PositionData& out, QLatin1StringView key);
void readQt(const QJsonValue& v, PagesInfo& out, QLatin1StringView key);

template <class T> void readQt(const QJsonValue& v, QList<T>& out, QLatin1StringView key)
{
    if (!v.isArray())
        fail(key, "expected an array");
    const QJsonArray array = v.toArray();
    out.clear();
    out.reserve(array.size());
    for (const QJsonValue& item : array) {
        T value;
        readQt(item, value, key);
        out.append(std::move(value));
    }
}

template <class T> void readQt(const QJsonValue& v, std::optional<T>& out, QLatin1StringView key)
{
    if (v.isNull() || v.isUndefined()) {
        out.reset();
        return;
    }
    T value;
    readQt(v, value, key);
    out = std::move(value);
}

template <auto Member>
void readMember(const QJsonValue& v, typename records::MemberTraits<decltype(Member)>::Record& r,
                QLatin1StringView key)
{
    readQt(v, r.*Member, key);
}

template <auto Member> constexpr auto qtField(const char* key)
{
    using Traits = records::MemberTraits<decltype(Member)>;
    return QtField<typename Traits::Record>{QLatin1StringView(key), &readMember<Member>,
                                            !records::isOptional<typename Traits::Type>};
}

template <class R, size_t N>
void readObject(const QJsonValue& v, R& out, const std::array<QtField<R>, N>& fields,
                QLatin1StringView key)
{
    if (!v.isObject())
        fail(key, "expected an object");
    const QJsonObject object = v.toObject();
    for (const QtField<R>& f : fields) {
        const QJsonValue value = object.value(f.key);
        if (value.isUndefined() && f.required)
            fail(f.key, "missing required key");
        f.read(value, out, f.key);
    }
}

const std::array botFields{qtField<&Bot::name>("name"), qtField<&Bot::number>("number")};

const std::array brokerConnectionFields{
    qtField<&BrokerConnection::broker>("broker"),
    qtField<&BrokerConnection::name>("name"),
    qtField<&BrokerConnection::number>("number"),
    qtField<&BrokerConnection::accountNumber>("account_number"),
};

const std::array legFields{
    qtField<&Leg::status>("status"),
    qtField<&Leg::type>("type"),
    qtField<&Leg::action>("action"),
    qtField<&Leg::instrument>("instrument"),
    qtField<&Leg::symbol>("symbol"),
    qtField<&Leg::expirationDate>("expiration_date"),
    qtField<&Leg::days_to_expiration>("days_to_expiration"),
    qtField<&Leg::daysToExpirationAtExit>("daysToExpirationAtExit"),
    qtField<&Leg::strikePrice>("strikePrice"),
    qtField<&Leg::quantity>("quantity"),
    qtField<&Leg::quantityOpen>("quantityOpen"),
    qtField<&Leg::entered_at>("entered_at"),
    qtField<&Leg::exitedAt>("exitedAt"),
    qtField<&Leg::entryBid>("entryBid"),
    qtField<&Leg::entryAsk>("entryAsk"),
    qtField<&Leg::entryPrice>("entryPrice"),
    qtField<&Leg::exitBid>("exitBid"),
    qtField<&Leg::exitAsk>("exitAsk"),
    qtField<&Leg::exitPrice>("exitPrice"),
    qtField<&Leg::currentBid>("currentBid"),
    qtField<&Leg::currentMid>("currentMid"),
    qtField<&Leg::currentAsk>("currentAsk"),
    qtField<&Leg::currentProfit>("currentProfit"),
    qtField<&Leg::currentDelta>("currentDelta"),
    qtField<&Leg::profitDollars>("profitDollars"),
    qtField<&Leg::deltaAtEntry>("deltaAtEntry"),
    qtField<&Leg::deltaAtExit>("deltaAtExit"),
    qtField<&Leg::ivAtEntry>("ivAtEntry"),
    qtField<&Leg::ivAtExit>("ivAtExit"),
    qtField<&Leg::heldToExpiration>("heldToExpiration"),
    qtField<&Leg::assigned>("assigned"),
    qtField<&Leg::exercised>("exercised"),
};

const std::array positionFields{
    qtField<&PositionData::number>("number"),
    qtField<&PositionData::status>("status"),
    qtField<&PositionData::bot>("bot"),
    qtField<&PositionData::brokerConnection>("broker_connection"),
    qtField<&PositionData::is_paper>("is_paper"),
    qtField<&PositionData::tags>("tags"),
    qtField<&PositionData::symbol>("symbol"),
    qtField<&PositionData::type>("type"),
    qtField<&PositionData::entered_at>("entered_at"),
    qtField<&PositionData::exited_at>("exited_at"),
    qtField<&PositionData::entryBid>("entryBid"),
    qtField<&PositionData::entryAsk>("entryAsk"),
    qtField<&PositionData::entryPrice>("entryPrice"),
    qtField<&PositionData::exitBid>("exitBid"),
    qtField<&PositionData::exitAsk>("exitAsk"),
    qtField<&PositionData::exitPrice>("exitPrice"),
    qtField<&PositionData::brokerFee>("brokerFee"),
    qtField<&PositionData::currentBid>("currentBid"),
    qtField<&PositionData::currentMid>("currentMid"),
    qtField<&PositionData::currentAsk>("currentAsk"),
    qtField<&PositionData::current_profit>("current_profit"),
    qtField<&PositionData::current_delta>("current_delta"),
    qtField<&PositionData::entry_value>("entry_value"),
    qtField<&PositionData::exitValue>("exitValue"),
    qtField<&PositionData::max_risk>("max_risk"),
    qtField<&PositionData::profit_dollars>("profit_dollars"),
    qtField<&PositionData::startingBalance>("startingBalance"),
    qtField<&PositionData::endingBalance>("endingBalance"),
    qtField<&PositionData::underlyingAtEntry>("underlyingAtEntry"),
    qtField<&PositionData::underlyingAtExit>("underlyingAtExit"),
    qtField<&PositionData::vixAtEntry>("vixAtEntry"),
    qtField<&PositionData::vixAtExit>("vixAtExit"),
    qtField<&PositionData::legs>("legs"),
};

const std::array pagesFields{
    qtField<&PagesInfo::hasPages>("has_pages"),
    qtField<&PagesInfo::itemsPerPage>("items_per_page"),
    qtField<&PagesInfo::currentPage>("current_page"),
    qtField<&PagesInfo::lastPage>("last_page"),
    qtField<&PagesInfo::totalItems>("total_items"),
};

const std::array responseFields{
    qtField<&ApiResponse::success>("success"),
    qtField<&ApiResponse::message>("message"),
    qtField<&ApiResponse::data>("data"),
    qtField<&ApiResponse::pages>("pages"),
};

void readQt(const QJsonValue& v, Bot& out, QLatin1StringView key)
{
    readObject(v, out, botFields, key);
}

void readQt(const QJsonValue& v, BrokerConnection& out, QLatin1StringView key)
{
    readObject(v, out, brokerConnectionFields, key);
}

void readQt(const QJsonValue& v, Leg& out, QLatin1StringView key)
{
    readObject(v, out, legFields, key);
}

void readQt(const QJsonValue& v, PositionData& out, QLatin1StringView key)
{
    readObject(v, out, positionFields, key);
}

void readQt(const QJsonValue& v, PagesInfo& out, QLatin1StringView key)
{
    readObject(v, out, pagesFields, key);
}

} // namespace

std::optional<ApiResponse> readWithQt(const QByteArray& body, QString* error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        *error = parseError.errorString();
        return std::nullopt;
    }
    try {
        ApiResponse response;
        const wire::TextSink sink(response.texts, body.size());
        readObject(QJsonValue(document.object()), response, responseFields,
                   QLatin1StringView("response"));
        return response;
    } catch (const QtError& e) {
        *error = e.description;
        return std::nullopt;
    }
}
