#include "processeddatamanager.h"

#include "base/log.h"
#include "settings/settings.h"

#include <QStringList>

namespace corvane {

ProcessedDataManager::ProcessedDataManager(const CVNSettings& settings, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
{}

void ProcessedDataManager::primeProcessedData()
{
    for (const AccountSettings& account : m_settings.accountSettings()) {
        for (const BrokerSettings& broker : account.brokerSettings) {
            if (broker.enabled)
                addProcessedData(broker.brokerNumber, std::make_shared<ProcessedData>());
        }
    }
}

void ProcessedDataManager::setProcessedDataArray(const QList<ProcessedDataWrapper>& array)
{
    m_processedDataArray = array;
    Q_EMIT processedDataArrayChanged();
}

void ProcessedDataManager::setRolledUpTotal(double total)
{
    m_rolledUpTotal = total;
    Q_EMIT rolledUpTotalChanged(total);
}

void ProcessedDataManager::setLastupdated(const QString& text)
{
    m_lastupdated = text;
    Q_EMIT lastupdatedChanged(text);
}

void ProcessedDataManager::setProcessedDataCount(int count)
{
    m_processedDataCount = count;
    Q_EMIT processedDataCountChanged(count);
}

std::shared_ptr<ProcessedData> ProcessedDataManager::find(const QString& id) const
{
    for (const ProcessedDataWrapper& entry : m_processedDataArray) {
        if (entry.id == id)
            return entry.processedData;
    }
    return nullptr;
}

void ProcessedDataManager::addProcessedData(const QString& id,
                                            std::shared_ptr<ProcessedData> processedData)
{
    QMetaObject::invokeMethod(
        this, [this, id, processedData] { registerEntry(id, processedData); },
        Qt::QueuedConnection);
}

void ProcessedDataManager::registerEntry(const QString& id,
                                         const std::shared_ptr<ProcessedData>& processedData)
{
    if (find(id) || !processedData)
        return;
    m_processedDataArray.append(ProcessedDataWrapper{id, processedData});
    Q_EMIT processedDataArrayChanged();
    setProcessedDataCount(static_cast<int>(m_processedDataArray.size()));
}

void ProcessedDataManager::removeAccountProcessedData(const QUuid& accountId)
{
    const auto accounts = m_settings.accountSettings();
    const auto it = accounts.constFind(accountId);
    if (it == accounts.constEnd()) {
        logLine(QStringLiteral("Account settings not found for account ID: ") +
                accountId.toString(QUuid::WithoutBraces).toUpper());
        return;
    }
    QStringList ids;
    for (const BrokerSettings& broker : it->brokerSettings) {
        if (broker.enabled)
            ids.append(broker.brokerNumber);
    }
    QMetaObject::invokeMethod(
        this, [this, ids] { removeEntries(ids); }, Qt::QueuedConnection);
}

void ProcessedDataManager::removeEntries(const QStringList& ids)
{
    const auto removed = m_processedDataArray.removeIf(
        [&ids](const ProcessedDataWrapper& entry) { return ids.contains(entry.id); });
    if (removed > 0)
        Q_EMIT processedDataArrayChanged();
    setProcessedDataCount(static_cast<int>(m_processedDataArray.size()));
}

} // namespace corvane
