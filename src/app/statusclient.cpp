#include "statusclient.h"

#include "models/resulttext.h"

#include <QDBusAbstractInterface>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QJsonArray>
#include <QJsonDocument>

namespace corvane {

namespace {

const QString notRunning = QStringLiteral("Corvane is not running.");

// A typed proxy, so the instance's change signal connects like a Qt signal.
class StatusProxy final : public QDBusAbstractInterface {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatusProxy)

public:
    StatusProxy(const QDBusConnection& bus, QObject* parent)
        : QDBusAbstractInterface(QString::fromLatin1(statusServiceName),
                                 QString::fromLatin1(statusObjectPath), statusInterfaceName, bus,
                                 parent)
    {}

Q_SIGNALS:
    void changed();
};

StatusSnapshot snapshotFrom(const QVariantMap& properties)
{
    StatusSnapshot status;
    const auto labels = qdbus_cast<QList<QVariantMap>>(properties.value(QStringLiteral("labels")));
    for (const QVariantMap& label : labels) {
        auto amount = [&label](const QString& key) {
            const QVariant value = label.value(key);
            return value.isValid() ? std::optional<double>(value.toDouble()) : std::nullopt;
        };
        status.labels.append(
            {label.value(QStringLiteral("nickname")).toString(),
             label.value(QStringLiteral("value")).toString(),
             label.value(QStringLiteral("sign")).toString() == QStringLiteral("positive"),
             amount(QStringLiteral("total")), amount(QStringLiteral("dayHigh")),
             amount(QStringLiteral("dayLow"))});
    }
    status.rollUp = properties.value(QStringLiteral("rollUp")).toBool();
    status.marketState = properties.value(QStringLiteral("marketState")).toString();
    status.lastupdated = properties.value(QStringLiteral("lastupdated")).toString();
    status.criticalError = properties.value(QStringLiteral("criticalError")).toString();
    status.internetError = properties.value(QStringLiteral("internetError")).toString();
    status.hasError = properties.value(QStringLiteral("hasError")).toBool();
    return status;
}

QString tooltipOf(const StatusSnapshot& status)
{
    QStringList lines;
    for (const ShownLabel& label : status.labels) {
        QString line = label.nickname + u' ' + label.value;
        if (label.dayHigh && label.dayLow)
            line += QStringLiteral(" · ") + text::dayRangeText(*label.dayHigh, *label.dayLow);
        lines << line;
    }
    lines << QStringLiteral("Market: ") +
                 (status.marketState.isEmpty() ? QStringLiteral("n/a") : status.marketState);
    if (!status.lastupdated.isEmpty())
        lines << QStringLiteral("Last updated: ") + status.lastupdated;
    for (const QString& error : {status.criticalError, status.internetError})
        if (!error.isEmpty())
            lines << error;
    return lines.join(u'\n');
}

} // namespace

QString statusText(const StatusSnapshot& status)
{
    QStringList labels;
    for (const ShownLabel& label : status.labels)
        labels << label.nickname + u' ' + label.value;
    const QString row =
        labels.isEmpty() ? QStringLiteral("Corvane") : labels.join(QStringLiteral("  "));
    return status.hasError ? QStringLiteral("⚠ ") + row : row;
}

QJsonObject statusJson(const StatusSnapshot& status)
{
    QJsonArray labels;
    for (const ShownLabel& label : status.labels) {
        QJsonObject object{
            {QStringLiteral("nickname"), label.nickname},
            {QStringLiteral("value"), label.value},
            {QStringLiteral("sign"), signOf(label)},
            {QStringLiteral("total"), label.total ? QJsonValue(*label.total) : QJsonValue()}};
        if (label.dayHigh && label.dayLow) {
            object.insert(QStringLiteral("dayHigh"), *label.dayHigh);
            object.insert(QStringLiteral("dayLow"), *label.dayLow);
        }
        labels.append(object);
    }
    auto orNull = [](const QString& text) { return text.isEmpty() ? QJsonValue() : text; };
    return {{QStringLiteral("text"), statusText(status)},
            {QStringLiteral("labels"), labels},
            {QStringLiteral("rollUp"), status.rollUp},
            {QStringLiteral("marketState"), status.marketState},
            {QStringLiteral("lastupdated"), orNull(status.lastupdated)},
            {QStringLiteral("criticalError"), orNull(status.criticalError)},
            {QStringLiteral("internetError"), orNull(status.internetError)},
            {QStringLiteral("hasError"), status.hasError}};
}

QJsonObject panelJson(const std::optional<StatusSnapshot>& status)
{
    if (!status)
        return {{QStringLiteral("text"), QStringLiteral("⚠ Corvane")},
                {QStringLiteral("tooltip"), notRunning},
                {QStringLiteral("class"), QStringLiteral("error")}};
    return {{QStringLiteral("text"), statusText(*status)},
            {QStringLiteral("tooltip"), tooltipOf(*status)},
            {QStringLiteral("class"),
             status->hasError ? QStringLiteral("error") : signOf(status->labels)}};
}

QString genmonText(const std::optional<StatusSnapshot>& status, const QString& clickCommand)
{
    // The panel's own colour for names and neutral states, the tray's green and red for
    // amounts; everything we did not write is escaped, as the plugin reads Pango markup.
    auto escaped = [](const QString& text) { return text.toHtmlEscaped(); };
    QString text;
    QString tooltip;
    if (!status) {
        text = QStringLiteral("⚠ Corvane");
        tooltip = notRunning;
    } else {
        QStringList labels;
        for (const ShownLabel& label : status->labels) {
            const QString sign = signOf(label);
            const QString value = escaped(label.value);
            labels << escaped(label.nickname) + u' ' +
                          (sign == QStringLiteral("neutral")
                               ? value
                               : QStringLiteral("<span foreground=\"%1\">%2</span>")
                                     .arg(sign == QStringLiteral("positive")
                                              ? QStringLiteral("#34C759")
                                              : QStringLiteral("#FF453A"),
                                          value));
        }
        text = labels.isEmpty() ? QStringLiteral("Corvane") : labels.join(QStringLiteral("  "));
        if (status->hasError)
            text.prepend(QStringLiteral("⚠ "));
        tooltip = escaped(tooltipOf(*status));
    }
    return QStringLiteral("<txt>%1</txt><tool>%2</tool><txtclick>%3</txtclick>")
        .arg(text, tooltip, clickCommand);
}

StatusClient::StatusClient(QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
{
    registerStatusTypes();
}

QDBusMessage StatusClient::getAllCall()
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(statusServiceName), QString::fromLatin1(statusObjectPath),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("GetAll"));
    call << QString::fromLatin1(statusInterfaceName);
    return call;
}

std::optional<StatusSnapshot> StatusClient::snapshotOf(const QDBusMessage& reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    return snapshotFrom(qdbus_cast<QVariantMap>(reply.arguments().first()));
}

std::optional<StatusSnapshot> StatusClient::read(QString* error) const
{
    // Events keep flowing while it waits, so an instance in the same process can answer.
    const std::optional<StatusSnapshot> status =
        snapshotOf(m_bus.call(getAllCall(), QDBus::BlockWithGui, 5000));
    if (!status && error)
        *error =
            m_bus.isConnected() ? notRunning : QStringLiteral("There is no session bus to ask.");
    return status;
}

void StatusClient::follow(std::function<void(const QString&)> print)
{
    m_print = std::move(print);
    auto* proxy = new StatusProxy(m_bus, this);
    connect(proxy, &StatusProxy::changed, this, &StatusClient::printCurrent);
    auto* watcher = new QDBusServiceWatcher(QString::fromLatin1(statusServiceName), m_bus,
                                            QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, &StatusClient::printCurrent);
    printCurrent();
}

void StatusClient::printCurrent()
{
    // Asked without waiting: replies come back in the order of the calls, so the lines keep
    // the order of the changes.
    auto* pending = new QDBusPendingCallWatcher(m_bus.asyncCall(getAllCall(), 5000), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this, pending] {
        pending->deleteLater();
        const QString line = QString::fromUtf8(
            QJsonDocument(panelJson(snapshotOf(pending->reply()))).toJson(QJsonDocument::Compact));
        // A bus that says the same twice (a change the panel does not show, an owner handing
        // over) must not make the panel redraw for nothing.
        if (line == m_lastLine)
            return;
        m_lastLine = line;
        m_print(line);
    });
}

} // namespace corvane

#include "statusclient.moc"
