#include "samples.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

namespace corvane::test {

QByteArray sampleAnswer(const QString& fileName)
{
    QFile file(QStringLiteral(CORVANE_SAMPLES_DIR "/") + fileName);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing sample %s", qPrintable(fileName));
    return file.readAll();
}

static QJsonValue replaced(const QJsonValue& node, QStringList path, const QJsonValue& value)
{
    const QString step = path.takeFirst();
    if (node.isArray()) {
        QJsonArray array = node.toArray();
        const qsizetype index = step.toInt();
        array[index] = path.isEmpty() ? value : replaced(array.at(index), path, value);
        return array;
    }
    QJsonObject object = node.toObject();
    if (path.isEmpty()) {
        if (value.isUndefined())
            object.remove(step);
        else
            object.insert(step, value);
    } else {
        object.insert(step, replaced(object.value(step), path, value));
    }
    return object;
}

QByteArray edited(const QByteArray& json, const QString& path, const QJsonValue& value)
{
    const QJsonValue root = QJsonDocument::fromJson(json).object();
    const QJsonValue result = replaced(root, path.split(u'/'), value);
    return QJsonDocument(result.toObject()).toJson(QJsonDocument::Compact);
}

} // namespace corvane::test
