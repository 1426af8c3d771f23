#pragma once

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>

namespace corvane {

// One broker's total at one moment of a trading day.
struct HistoryPoint {
    QDateTime at; // an instant (UTC); the chart shows it in New York time
    double total = 0;

    bool operator==(const HistoryPoint&) const = default;
};

// The path of one trading day: the session it belongs to and the totals recorded in it, oldest
// first. `open` and `close` are the session's bounds as instants, an early close included, so a
// chart spans the session and not the points it happens to have.
struct DayCurve {
    QDate tradingDay; // the New York date; invalid when nothing was ever recorded
    QDateTime open;
    QDateTime close;
    QList<HistoryPoint> points;

    bool operator==(const DayCurve&) const = default;
};

// A trading day's last recorded total.
struct DayClose {
    QDate tradingDay;
    double total = 0;

    bool operator==(const DayClose&) const = default;
};

// The lowest and highest total a curve reached.
struct DayRange {
    double low = 0;
    double high = 0;

    bool operator==(const DayRange&) const = default;
};

// What the popover's charts draw, per broker number: the current (or, outside the session, the
// last) trading day's curve and up to thirty recent closing totals, oldest first. The history
// store fills it; views only read it, so they never wait on the database.
class HistoryFeed final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HistoryFeed)

public:
    explicit HistoryFeed(QObject* parent = nullptr);

    DayCurve day(const QString& brokerNumber) const;
    QList<DayClose> closes(const QString& brokerNumber) const;
    // The range of the brokers' summed totals through `tradingDay`, each broker's total holding
    // from its point to its next (a point is written only when a total moves, or half-hourly);
    // empty when none of them has a point that day.
    std::optional<DayRange> range(const QStringList& brokerNumbers, QDate tradingDay) const;

    void setDay(const QString& brokerNumber, DayCurve curve);
    void setCloses(const QString& brokerNumber, QList<DayClose> closes);

Q_SIGNALS:
    // Announced only when what the broker's chart would draw differs.
    void changed(const QString& brokerNumber);

private:
    QHash<QString, DayCurve> m_days;
    QHash<QString, QList<DayClose>> m_closes;
};

} // namespace corvane
