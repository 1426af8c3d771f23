#pragma once

#include "base/clock.h"
#include "market/stockexchangestatus.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <optional>
#include <utility>

namespace corvane {

// One broker's total at one moment (an instant in UTC, to the second).
struct HistorySample {
    QDateTime at;
    double total = 0;

    bool operator==(const HistorySample&) const = default;
};

// A New York trading day's last recorded total.
struct HistoryClose {
    QDate day;
    double total = 0;

    bool operator==(const HistoryClose&) const = default;
};

// Each broker's totals through the regular session, kept in an SQLite file of the user's own
// (mode 0600) by broker number and New York trading day, for a little over a year. It holds
// nothing else: no keys, no names, no positions.
//
// A pass adds a sample per broker when its total moved (to the cent) or when half an hour went
// by without one; a pass less than a minute after the broker's last sample updates that sample
// instead, so a burst of passes leaves one point. Outside the session nothing is written.
//
// The history is a convenience: a file that cannot be read is moved aside and a fresh one
// started, and a folder that cannot be written turns the history off with one log line. No
// call ever fails for the caller; reads then answer empty.
class HistoryStore final {
    Q_DISABLE_COPY_MOVE(HistoryStore)

public:
    static constexpr int schemaVersion = 1;
    static constexpr int retentionDays = 400;
    static constexpr qint64 mergeSeconds = 60;
    static constexpr qint64 heartbeatSeconds = 30 * 60;

    // Where the application keeps it: $XDG_DATA_HOME/corvane/history.sqlite.
    static QString defaultFilePath();

    // How the file is opened: read through for damage first, or trusted as checked earlier in
    // this run (a file reopened for each write cannot afford a read of the whole year each time).
    enum class Check { integrity, none };

    explicit HistoryStore(const QString& path, Check check = Check::integrity);
    ~HistoryStore();

    bool isOpen() const { return m_db.isOpen(); }
    // A write failed and was logged; later failures are not.
    bool writeFailed() const { return m_failureLogged; }
    QString path() const { return m_path; }

    enum class Change { added, replaced };
    struct Recorded {
        QString broker;
        QDate day;
        HistorySample sample;
        Change change = Change::added;
    };

    // Records one pass's totals (broker number, total) at `now`, in one transaction; answers
    // what changed in each broker's curve.
    QList<Recorded> append(const QDateTime& now, const QList<std::pair<QString, double>>& totals);

    // A broker's samples of one trading day, oldest first.
    QList<HistorySample> samples(const QString& broker, QDate day) const;
    // Up to `count` closes of the days on or before `upTo` that have samples, oldest first.
    QList<HistoryClose> closes(const QString& broker, QDate upTo, int count) const;
    // The last day on or before `upTo` with samples of the broker; invalid when none.
    QDate lastDay(const QString& broker, QDate upTo) const;

private:
    enum class Opened { ok, unreadable, off };
    Opened openFile(QString& reason);
    bool migrate(int from, QString& reason);
    void close();
    void moveAside(const QString& reason);
    void prune(QDate today);
    void disable(const QString& why);
    std::optional<HistorySample> lastSample(const QString& broker, QDate day);

    QString m_path;
    Check m_check;
    QString m_connection;
    // A calendar of its own: the store may live on another thread than the application's.
    StockExchangeStatus m_calendar{systemClock()};
    QSqlDatabase m_db;
    QSqlQuery m_insert;
    QSqlQuery m_update;
    QSqlQuery m_close;
    // Each broker's latest sample, so a pass reads nothing back from the file.
    QHash<QString, std::pair<QDate, HistorySample>> m_last;
    QDate m_prunedOn;
    // A full disk fails every pass; the log says so once.
    bool m_failureLogged = false;
};

} // namespace corvane
