#pragma once

// Strict readers for the JSON that Corvane stores in its own defaults suite. Stored data goes
// through QJsonDocument; a failure throws wire::DecodeError inside a decode() call, is caught
// there and comes back as a readable description naming the key path.

#include "base/wire.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QUuid>
#include <optional>

namespace corvane::stored {

QJsonObject object(const QJsonValue& value);
QString text(const QJsonObject& object, const QString& key);
bool boolean(const QJsonObject& object, const QString& key);
// Absent or null gives nothing; another type still fails.
std::optional<bool> optBoolean(const QJsonObject& object, const QString& key);
int integer(const QJsonObject& object, const QString& key);
int integer(const QJsonValue& value);
QJsonArray array(const QJsonObject& object, const QString& key);
QJsonArray array(const QJsonValue& value);
std::optional<QJsonArray> optArray(const QJsonObject& object, const QString& key);

// UUIDs are stored as their canonical 36-character text; either case is read back, upper
// case is written.
QUuid uuid(const QJsonValue& value);
QUuid uuid(const QJsonObject& object, const QString& key);
QString uuidText(const QUuid& uuid);

// Runs read() with the key prefixed to any failure it throws.
template <class Read> auto underKey(const QString& key, Read&& read)
{
    try {
        return read();
    } catch (wire::DecodeError& e) {
        e.prefixKey(key.toStdString());
        throw;
    }
}

// Decodes every element of an array with element(QJsonValue) -> T, naming the failing index.
template <class Element> auto list(const QJsonArray& array, Element&& element)
{
    using T = decltype(element(std::declval<QJsonValue>()));
    QList<T> result;
    result.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        try {
            result.append(element(array.at(i)));
        } catch (wire::DecodeError& e) {
            e.prefixIndex(static_cast<size_t>(i));
            throw;
        }
    }
    return result;
}

QJsonValue parse(const QByteArray& bytes);
QByteArray serialise(const QJsonValue& value);

// Parses stored bytes and hands the root to root(QJsonValue) -> T.
template <class Root> auto decode(const QByteArray& bytes, Root&& root)
{
    using T = decltype(root(std::declval<QJsonValue>()));
    try {
        return wire::Result<T>(root(parse(bytes)));
    } catch (const wire::DecodeError& e) {
        return wire::Result<T>::failure(e.description());
    }
}

} // namespace corvane::stored
