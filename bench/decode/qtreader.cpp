#include "qtreader.h"

#include "platform_api/recordfields.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLatin1StringView>
#include <cmath>
#include <type_traits>

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

// A key nothing reads: its type is checked, the value dropped, as the typed decoder does.
template <class R, class T> void checkQt(const QJsonValue& v, R&, QLatin1StringView key)
{
    if (v.isNull() || v.isUndefined())
        return;
    if constexpr (std::is_same_v<T, wire::Text>) {
        if (!v.isString())
            fail(key, "expected a string");
    } else {
        T value;
        readQt(v, value, key);
    }
}

template <class R, class T> constexpr auto qtChecked(const char* key)
{
    return QtField<R>{QLatin1StringView(key), &checkQt<R, T>, false};
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

using Text = wire::Text;

const std::array brokerConnectionFields{
    qtChecked<BrokerConnection, Text>("broker"),
    qtChecked<BrokerConnection, Text>("name"),
    qtField<&BrokerConnection::number>("number"),
    qtChecked<BrokerConnection, Text>("account_number"),
};

const std::array legFields{
    qtChecked<Leg, Text>("status"),
    qtChecked<Leg, Text>("type"),
    qtChecked<Leg, Text>("action"),
    qtChecked<Leg, Text>("instrument"),
    qtChecked<Leg, Text>("symbol"),
    qtChecked<Leg, Text>("expiration_date"),
    qtField<&Leg::days_to_expiration>("days_to_expiration"),
    qtChecked<Leg, qint64>("daysToExpirationAtExit"),
    qtChecked<Leg, Text>("strikePrice"),
    qtField<&Leg::quantity>("quantity"),
    qtChecked<Leg, qint64>("quantityOpen"),
    qtField<&Leg::entered_at>("entered_at"),
    qtChecked<Leg, Text>("exitedAt"),
    qtChecked<Leg, Text>("entryBid"),
    qtChecked<Leg, Text>("entryAsk"),
    qtChecked<Leg, Text>("entryPrice"),
    qtChecked<Leg, Text>("exitBid"),
    qtChecked<Leg, Text>("exitAsk"),
    qtChecked<Leg, double>("exitPrice"),
    qtChecked<Leg, Text>("currentBid"),
    qtChecked<Leg, Text>("currentMid"),
    qtChecked<Leg, Text>("currentAsk"),
    qtChecked<Leg, double>("currentProfit"),
    qtChecked<Leg, Text>("currentDelta"),
    qtChecked<Leg, double>("profitDollars"),
    qtChecked<Leg, Text>("deltaAtEntry"),
    qtChecked<Leg, Text>("deltaAtExit"),
    qtChecked<Leg, Text>("ivAtEntry"),
    qtChecked<Leg, Text>("ivAtExit"),
    qtChecked<Leg, bool>("heldToExpiration"),
    qtChecked<Leg, bool>("assigned"),
    qtChecked<Leg, bool>("exercised"),
};

const std::array positionFields{
    qtChecked<PositionData, Text>("number"),
    qtField<&PositionData::status>("status"),
    qtField<&PositionData::bot>("bot"),
    qtField<&PositionData::brokerConnection>("broker_connection"),
    qtChecked<PositionData, bool>("is_paper"),
    qtChecked<PositionData, Text>("tags"),
    qtChecked<PositionData, Text>("symbol"),
    qtChecked<PositionData, Text>("type"),
    qtField<&PositionData::entered_at>("entered_at"),
    qtChecked<PositionData, Text>("exited_at"),
    qtChecked<PositionData, Text>("entryBid"),
    qtChecked<PositionData, Text>("entryAsk"),
    qtChecked<PositionData, double>("entryPrice"),
    qtChecked<PositionData, Text>("exitBid"),
    qtChecked<PositionData, Text>("exitAsk"),
    qtChecked<PositionData, double>("exitPrice"),
    qtChecked<PositionData, double>("brokerFee"),
    qtChecked<PositionData, Text>("currentBid"),
    qtChecked<PositionData, Text>("currentMid"),
    qtChecked<PositionData, Text>("currentAsk"),
    qtField<&PositionData::current_profit>("current_profit"),
    qtField<&PositionData::current_delta>("current_delta"),
    qtField<&PositionData::entry_value>("entry_value"),
    qtChecked<PositionData, qint64>("exitValue"),
    qtField<&PositionData::max_risk>("max_risk"),
    qtField<&PositionData::profit_dollars>("profit_dollars"),
    qtChecked<PositionData, Text>("startingBalance"),
    qtChecked<PositionData, Text>("endingBalance"),
    qtChecked<PositionData, double>("underlyingAtEntry"),
    qtChecked<PositionData, double>("underlyingAtExit"),
    qtChecked<PositionData, Text>("vixAtEntry"),
    qtChecked<PositionData, Text>("vixAtExit"),
    qtField<&PositionData::legs>("legs"),
};

const std::array responseFields{
    qtField<&ApiResponse::success>("success"),
    qtField<&ApiResponse::message>("message"),
    qtField<&ApiResponse::data>("data"),
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
