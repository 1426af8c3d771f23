#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>

namespace corvane::test {

// A realistic answer from tests/platform_api/data ("positions.json", "bots.json").
QByteArray sampleAnswer(const QString& fileName);

// The answer with one value replaced, path separated by '/' ("data/0/legs/2/quantity"). An
// undefined value removes the key.
QByteArray edited(const QByteArray& json, const QString& path, const QJsonValue& value);

} // namespace corvane::test
