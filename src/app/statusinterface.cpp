#include "statusinterface.h"

#include "app/core.h"
#include "base/log.h"

#include <QDBusMetaType>
#include <QMetaEnum>
#include <QTimer>
#include <cmath>

namespace corvane {

QString signOf(const ShownLabel& label)
{
    if (!label.total)
        return QStringLiteral("neutral");
    return label.positive ? QStringLiteral("positive") : QStringLiteral("negative");
}

QString signOf(const QList<ShownLabel>& labels)
{
    // In cents, so that amounts that cancel out do not leave a speck of float behind.
    std::optional<long long> cents;
    for (const ShownLabel& label : labels)
        if (label.total)
            cents = cents.value_or(0) + std::llround(*label.total * 100);
    if (!cents)
        return QStringLiteral("neutral");
    // As for a single label: only a gain is green.
    return *cents > 0 ? QStringLiteral("positive") : QStringLiteral("negative");
}

void registerStatusTypes()
{
    static const bool done = [] {
        qDBusRegisterMetaType<QList<QVariantMap>>();
        return true;
    }();
    (void)done;
}

StatusInterface::StatusInterface(Reader read, QObject* parent)
    : QObject(parent)
    , m_read(std::move(read))
    , m_snapshot(m_read())
{
    registerStatusTypes();
}

bool StatusInterface::exportOn(QDBusConnection bus)
{
    const bool exported = bus.registerObject(QString::fromLatin1(statusObjectPath), this,
                                             QDBusConnection::ExportAllProperties |
                                                 QDBusConnection::ExportScriptableSlots |
                                                 QDBusConnection::ExportScriptableSignals);
    if (!exported)
        logLine(QStringLiteral("Could not publish the status on the session bus: %1")
                    .arg(bus.isConnected() ? QStringLiteral("the object path is taken")
                                           : QStringLiteral("no session bus")));
    return exported;
}

void StatusInterface::scheduleRefresh()
{
    // A sync pass touches the store, the total and the errors in one go; readers get one
    // announcement for all of it.
    if (m_refreshScheduled)
        return;
    m_refreshScheduled = true;
    QTimer::singleShot(0, this, &StatusInterface::refresh);
}

void StatusInterface::refresh()
{
    m_refreshScheduled = false;
    StatusSnapshot fresh = m_read();
    if (fresh == m_snapshot)
        return;
    m_snapshot = std::move(fresh);
    Q_EMIT changed();
}

std::unique_ptr<StatusInterface>
makeStatusInterface(Core& core, std::function<QList<ShownLabel>()> labels, QObject* parent)
{
    auto read = [&core, labels = std::move(labels)] {
        StatusSnapshot status;
        status.labels = labels();
        status.rollUp = core.settings().rollUp();
        status.marketState =
            QString::fromLatin1(QMetaEnum::fromType<StockExchangeStatus::MarketState>().valueToKey(
                static_cast<int>(core.market().statusState())));
        const QString lastupdated = core.store().lastupdated();
        status.lastupdated = lastupdated == QStringLiteral("n/a") ? QString() : lastupdated;
        status.criticalError = core.globalData().criticalErrorText();
        status.internetError = core.globalData().internetErrorText();
        status.hasError = core.globalData().hasError();
        return status;
    };
    auto status = std::make_unique<StatusInterface>(std::move(read), parent);
    StatusInterface* raw = status.get();
    QObject::connect(&core.globalData(), &GlobalData::changed, raw,
                     &StatusInterface::scheduleRefresh);
    QObject::connect(&core.globalData(), &GlobalData::hasErrorChanged, raw,
                     &StatusInterface::scheduleRefresh);
    QObject::connect(&core.market(), &StockExchangeStatus::statusStateChanged, raw,
                     &StatusInterface::scheduleRefresh);
    QObject::connect(&core.store(), &ProcessedDataManager::lastupdatedChanged, raw,
                     &StatusInterface::scheduleRefresh);
    QObject::connect(&core.settings(), &CVNSettings::rollUpChanged, raw,
                     &StatusInterface::scheduleRefresh);
    // Like the popover's "Sync now", which it stands in for.
    QObject::connect(raw, &StatusInterface::syncNowRequested, &core.watch(), [&core] {
        logLine(QStringLiteral("in manualStart"));
        core.watch().manualStart();
    });
    return status;
}

QList<QVariantMap> StatusInterface::labels() const
{
    QList<QVariantMap> list;
    for (const ShownLabel& label : m_snapshot.labels) {
        QVariantMap map{{QStringLiteral("nickname"), label.nickname},
                        {QStringLiteral("value"), label.value},
                        {QStringLiteral("sign"), signOf(label)}};
        if (label.total)
            map.insert(QStringLiteral("total"), *label.total);
        if (label.dayHigh && label.dayLow) {
            map.insert(QStringLiteral("dayHigh"), *label.dayHigh);
            map.insert(QStringLiteral("dayLow"), *label.dayLow);
        }
        list.append(map);
    }
    return list;
}

} // namespace corvane
