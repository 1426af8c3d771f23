#include "storedjson.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <cmath>
#include <limits>

namespace corvane::stored {

namespace {

QString typeName(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::Null:
        return QStringLiteral("null");
    case QJsonValue::Bool:
        return QStringLiteral("a boolean");
    case QJsonValue::Double:
        return QStringLiteral("a number");
    case QJsonValue::String:
        return QStringLiteral("a string");
    case QJsonValue::Array:
        return QStringLiteral("an array");
    case QJsonValue::Object:
        return QStringLiteral("an object");
    case QJsonValue::Undefined:
        break;
    }
    return QStringLiteral("missing");
}

[[noreturn]] void wrongType(const QJsonValue& value, const QString& expected)
{
    wire::fail(QStringLiteral("expected %1, found %2").arg(expected, typeName(value)));
}

QJsonValue field(const QJsonObject& object, const QString& key)
{
    const auto it = object.constFind(key);
    if (it == object.constEnd())
        wire::fail(QStringLiteral("missing required key"));
    return *it;
}

bool isHexDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

} // namespace

QJsonObject object(const QJsonValue& value)
{
    if (!value.isObject())
        wrongType(value, QStringLiteral("an object"));
    return value.toObject();
}

QString text(const QJsonObject& object, const QString& key)
{
    return underKey(key, [&] {
        const QJsonValue value = field(object, key);
        if (!value.isString())
            wrongType(value, QStringLiteral("a string"));
        return value.toString();
    });
}

bool boolean(const QJsonObject& object, const QString& key)
{
    return underKey(key, [&] {
        const QJsonValue value = field(object, key);
        if (!value.isBool())
            wrongType(value, QStringLiteral("a boolean"));
        return value.toBool();
    });
}

std::optional<bool> optBoolean(const QJsonObject& object, const QString& key)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    return boolean(object, key);
}

int integer(const QJsonValue& value)
{
    if (!value.isDouble())
        wrongType(value, QStringLiteral("an integer"));
    const double number = value.toDouble();
    if (std::trunc(number) != number || number < std::numeric_limits<int>::min() ||
        number > std::numeric_limits<int>::max())
        wire::fail(QStringLiteral("expected an integer, found %1").arg(number));
    return static_cast<int>(number);
}

int integer(const QJsonObject& object, const QString& key)
{
    return underKey(key, [&] { return integer(field(object, key)); });
}

QJsonArray array(const QJsonValue& value)
{
    if (!value.isArray())
        wrongType(value, QStringLiteral("an array"));
    return value.toArray();
}

QJsonArray array(const QJsonObject& object, const QString& key)
{
    return underKey(key, [&] { return array(field(object, key)); });
}

std::optional<QJsonArray> optArray(const QJsonObject& object, const QString& key)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    return array(object, key);
}

QUuid uuid(const QJsonValue& value)
{
    if (!value.isString())
        wrongType(value, QStringLiteral("a UUID string"));
    const QString written = value.toString();
    bool wellFormed = written.size() == 36;
    for (qsizetype i = 0; wellFormed && i < written.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        wellFormed = dash ? written.at(i) == u'-' : isHexDigit(written.at(i));
    }
    if (!wellFormed)
        wire::fail(QStringLiteral("expected a UUID in canonical form"));
    return QUuid::fromString(written);
}

QUuid uuid(const QJsonObject& object, const QString& key)
{
    return underKey(key, [&] { return uuid(field(object, key)); });
}

QString uuidText(const QUuid& uuid)
{
    return uuid.toString(QUuid::WithoutBraces).toUpper();
}

QJsonValue parse(const QByteArray& bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        wire::fail(QStringLiteral("not JSON (%1 at offset %2)")
                       .arg(error.errorString())
                       .arg(error.offset));
    if (document.isArray())
        return document.array();
    if (document.isObject())
        return document.object();
    wire::fail(QStringLiteral("not JSON"));
}

QByteArray serialise(const QJsonValue& value)
{
    if (value.isArray())
        return QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact);
    if (value.isObject())
        return QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
    return {};
}

} // namespace corvane::stored
