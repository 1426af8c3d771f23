#pragma once

#include "processeddata.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>
#include <memory>

namespace corvane {

class CVNSettings;

// One entry of the store: a broker connection number and the result object it carries. Copies
// of a wrapper share the object.
struct ProcessedDataWrapper {
    QString id;
    std::shared_ptr<ProcessedData> processedData;

    bool operator==(const ProcessedDataWrapper&) const = default;
};

// The per-broker results between the watch engine and the views, with the rolled-up total of
// the current pass and the last-updated text. Entries are registered once and never replaced;
// registration and removal run on the event loop after the call returns, so a caller (and a
// view redrawing) never sees the list change under it mid-iteration.
class ProcessedDataManager final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProcessedDataManager)
    Q_PROPERTY(QList<ProcessedDataWrapper> processedDataArray READ processedDataArray WRITE
                   setProcessedDataArray NOTIFY processedDataArrayChanged)
    Q_PROPERTY(
        double rolledUpTotal READ rolledUpTotal WRITE setRolledUpTotal NOTIFY rolledUpTotalChanged)
    Q_PROPERTY(QString lastupdated READ lastupdated WRITE setLastupdated NOTIFY lastupdatedChanged)
    Q_PROPERTY(int processedDataCount READ processedDataCount WRITE setProcessedDataCount NOTIFY
                   processedDataCountChanged)

public:
    // settings is read to find the accounts' brokers.
    explicit ProcessedDataManager(const CVNSettings& settings, QObject* parent = nullptr);

    const QList<ProcessedDataWrapper>& processedDataArray() const { return m_processedDataArray; }
    double rolledUpTotal() const { return m_rolledUpTotal; }
    QString lastupdated() const { return m_lastupdated; }
    int processedDataCount() const { return m_processedDataCount; }

    void setProcessedDataArray(const QList<ProcessedDataWrapper>& array);
    void setRolledUpTotal(double total);
    void setLastupdated(const QString& text);
    void setProcessedDataCount(int count);

    // The entry's object for a broker connection number, or null.
    std::shared_ptr<ProcessedData> find(const QString& id) const;

    // Queued: appends an entry unless one with this id exists (the existing object stays),
    // then refreshes the count.
    void addProcessedData(const QString& id, std::shared_ptr<ProcessedData> processedData);
    // Queues one registration of an empty result per enabled broker of every account; the
    // entries already there stay.
    void primeProcessedData();
    // Reads the account's enabled brokers now (the account is still stored), then queues the
    // removal of their entries and a count refresh. An unknown account is logged.
    void removeAccountProcessedData(const QUuid& accountId);

Q_SIGNALS:
    void processedDataArrayChanged();
    void rolledUpTotalChanged(double rolledUpTotal);
    void lastupdatedChanged(const QString& lastupdated);
    void processedDataCountChanged(int processedDataCount);

private:
    void registerEntry(const QString& id, const std::shared_ptr<ProcessedData>& processedData);
    void removeEntries(const QStringList& ids);

    const CVNSettings& m_settings;
    QList<ProcessedDataWrapper> m_processedDataArray;
    double m_rolledUpTotal = 0;
    QString m_lastupdated = QStringLiteral("n/a");
    int m_processedDataCount = 0;
};

} // namespace corvane
