#pragma once

#include "base/clock.h"

#include <QDate>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>

namespace corvane {

class CVNSettings;
class HistoryFeed;
class HistoryStore;
class ProcessedDataManager;
class RunWatch;
class StockExchangeStatus;

// Keeps the history and the popover's feed of it in step with the sync passes. A pass appends
// the totals it set for the watched brokers (a broker whose fetch failed is not set, so it
// writes nothing) and extends each broker's curve in memory; the file is read again only when
// the shown day changes (at a session's opening) or the watched brokers do.
//
// The feed's day is today's session from its opening on, and before it the last trading day
// with samples; the closes end with that day's latest total.
class HistoryRecorder final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HistoryRecorder)

public:
    struct Services {
        HistoryStore* history = nullptr;
        ProcessedDataManager* store = nullptr;
        const CVNSettings* settings = nullptr;
        const StockExchangeStatus* market = nullptr;
        RunWatch* watch = nullptr;
        HistoryFeed* feed = nullptr;
        Clock clock;
    };
    static constexpr int closeCount = 30;

    explicit HistoryRecorder(Services services, QObject* parent = nullptr);

    // Fills the feed from the file.
    void reload();

private:
    void followEntries();
    void record();
    // Today when its session has opened, otherwise invalid.
    QDate sessionDay() const;
    QSet<QString> watchedBrokers() const;

    Services m_services;
    QHash<QString, QPointer<QObject>> m_followed;
    QSet<QString> m_setThisPass;
    QDate m_loadedFor;
};

} // namespace corvane
