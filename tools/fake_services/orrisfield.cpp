#include "orrisfield.h"

#include <QDir>
#include <QFile>
#include <QTimeZone>

namespace corvane::fake {

namespace {

const QString positionsPath = QStringLiteral("/v1/bots/positions/");
const QString brokersPath = QStringLiteral("/v1/broker_connections");
const QString botsPath = QStringLiteral("/v1/bots");

QString fileFor(const QString& path)
{
    if (path == positionsPath)
        return QStringLiteral("positions.json");
    if (path == brokersPath)
        return QStringLiteral("broker_connections.json");
    return QStringLiteral("bots.json");
}

QByteArray failure(const QByteArray& message)
{
    return R"({"success":false,"message":")" + message + R"("})";
}

QByteArray newYorkOffset(QDate day)
{
    const QDateTime noon(day, QTime(12, 0), QTimeZone(QByteArrayLiteral("America/New_York")));
    const int minutes = noon.offsetFromUtc() / 60;
    const QString text = QStringLiteral("%1%2:%3")
                             .arg(minutes < 0 ? QStringLiteral("-") : QStringLiteral("+"))
                             .arg(std::abs(minutes) / 60, 2, 10, QChar(u'0'))
                             .arg(std::abs(minutes) % 60, 2, 10, QChar(u'0'));
    return text.toLatin1();
}

QDate dayOf(const Pairs& query, const QString& name)
{
    const std::optional<QString> text = valueOf(query, name);
    return text ? QDate::fromString(*text, Qt::ISODate) : QDate();
}

QByteArray fillPlaceholders(QByteArray text, const Pairs& query)
{
    QDate to = dayOf(query, QStringLiteral("to_date"));
    if (!to.isValid())
        to = QDateTime::currentDateTime()
                 .toTimeZone(QTimeZone(QByteArrayLiteral("America/New_York")))
                 .date();
    QDate from = dayOf(query, QStringLiteral("from_date"));
    if (!from.isValid())
        from = to.addDays(-1);
    text.replace("${TO_DATE}", to.toString(Qt::ISODate).toLatin1());
    text.replace("${FROM_DATE}", from.toString(Qt::ISODate).toLatin1());
    text.replace("${TO_OFFSET}", newYorkOffset(to));
    text.replace("${FROM_OFFSET}", newYorkOffset(from));
    return text;
}

} // namespace

Orrisfield::Orrisfield(const QString& fixtureFolder)
{
    const QDir root(fixtureFolder.isEmpty() ? QStringLiteral(":/fake_services/orrisfield")
                                            : fixtureFolder);
    const QStringList keys = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& key : keys) {
        QDir folder(root.filePath(key));
        const QStringList files = folder.entryList({QStringLiteral("*.json")}, QDir::Files);
        for (const QString& name : files) {
            QFile file(folder.filePath(name));
            if (file.open(QIODevice::ReadOnly))
                fixtures_[key].insert(name, file.readAll());
        }
    }
}

bool Orrisfield::handles(const QString& path) const
{
    return path == positionsPath || path == brokersPath || path == botsPath;
}

QString Orrisfield::apiKeyOf(const HttpRequest& request)
{
    const QByteArray value = request.header("Authorization");
    if (!value.startsWith("Bearer "))
        return {};
    return QString::fromUtf8(value.mid(7));
}

QByteArray Orrisfield::withDates(const QByteArray& text, const HttpRequest& request)
{
    return fillPlaceholders(text, request.query);
}

HttpResponse Orrisfield::answer(const HttpRequest& request) const
{
    if (request.method != "GET")
        return {405, failure("Method not allowed.")};
    const auto found = fixtures_.constFind(apiKeyOf(request));
    if (found == fixtures_.cend())
        return {401, failure("Invalid API key.")};
    const QByteArray text = found->value(fileFor(request.path));
    if (text.isEmpty())
        return {200, R"({"success":true,"message":"","data":[]})"};
    return {200, fillPlaceholders(text, request.query)};
}

} // namespace corvane::fake
