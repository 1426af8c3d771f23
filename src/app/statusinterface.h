#pragma once

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <optional>

namespace corvane {

// Where a running Corvane answers on the session bus: its single-instance name, and a path
// of its own beside the object that keeps the instance single.
inline constexpr auto statusServiceName = "io.corvane.Corvane";
inline constexpr auto statusObjectPath = "/io/corvane/Corvane/Status";
inline constexpr auto statusInterfaceName = "io.corvane.Corvane.Status";

// One label as the tray shows it.
struct ShownLabel {
    QString nickname;
    QString value;               // "$13", "($13)", "No data", "Mkt closed"
    bool positive = false;       // green; red otherwise
    std::optional<double> total; // none behind "No data" and "Mkt closed"
    // The day's extremes as the history has them; none before today's first recorded total.
    std::optional<double> dayHigh = {};
    std::optional<double> dayLow = {};

    bool operator==(const ShownLabel&) const = default;
};

// How a label reads: "positive" (green in the tray), "negative" (red), or "neutral" when it
// carries no amount at all.
QString signOf(const ShownLabel& label);
// How the whole row reads: by the sum of its amounts, not by its worst label; "neutral" when
// no label carries an amount (the logo alone, "No data", "Mkt closed").
QString signOf(const QList<ShownLabel>& labels);

// Everything the tray shows, and the texts behind its warning triangle.
struct StatusSnapshot {
    QList<ShownLabel> labels;
    bool rollUp = false;
    QString marketState; // "open", "closed", "afterMarket"
    QString lastupdated; // as the popover shows it; empty before the first sync
    QString criticalError;
    QString internetError;
    bool hasError = false;

    bool operator==(const StatusSnapshot&) const = default;
};

// The running application's state for panel bars and scripts, on the session bus. It reads
// the state through `read` whenever told something may have changed, and announces `changed`
// only when what it shows did change, once per burst of updates.
class StatusInterface final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatusInterface)
    Q_CLASSINFO("D-Bus Interface", "io.corvane.Corvane.Status")
    Q_PROPERTY(QList<QVariantMap> labels READ labels)
    Q_PROPERTY(bool rollUp READ rollUp)
    Q_PROPERTY(QString marketState READ marketState)
    Q_PROPERTY(QString lastupdated READ lastupdated)
    Q_PROPERTY(QString criticalError READ criticalError)
    Q_PROPERTY(QString internetError READ internetError)
    Q_PROPERTY(bool hasError READ hasError)

public:
    using Reader = std::function<StatusSnapshot()>;

    explicit StatusInterface(Reader read, QObject* parent = nullptr);

    // Puts the object on `bus` at the status path. The bus name itself belongs to whoever
    // keeps the application single. Returns false (and logs why) when the path is taken.
    bool exportOn(QDBusConnection bus);

    // Connect every signal that may change what the tray shows to this.
    void scheduleRefresh();
    const StatusSnapshot& snapshot() const { return m_snapshot; }

    QList<QVariantMap> labels() const;
    bool rollUp() const { return m_snapshot.rollUp; }
    QString marketState() const { return m_snapshot.marketState; }
    QString lastupdated() const { return m_snapshot.lastupdated; }
    QString criticalError() const { return m_snapshot.criticalError; }
    QString internetError() const { return m_snapshot.internetError; }
    bool hasError() const { return m_snapshot.hasError; }

public Q_SLOTS:
    Q_SCRIPTABLE void OpenPopover() { Q_EMIT openPopoverRequested(); }
    Q_SCRIPTABLE void OpenSettings() { Q_EMIT openSettingsRequested(); }
    Q_SCRIPTABLE void SyncNow() { Q_EMIT syncNowRequested(); }

Q_SIGNALS:
    Q_SCRIPTABLE void changed();
    void openPopoverRequested();
    void openSettingsRequested();
    void syncNowRequested();

private:
    void refresh();

    Reader m_read;
    StatusSnapshot m_snapshot;
    bool m_refreshScheduled = false;
};

class Core;

// The interface fed from the core: market state, last update, errors and the roll-up come from
// it, the labels from `labels` (the status label presenter's, as the tray shows them). Its
// refresh follows the core's changes; call scheduleRefresh() when the labels change. SyncNow
// asks for a pass at once.
std::unique_ptr<StatusInterface> makeStatusInterface(Core& core,
                                                     std::function<QList<ShownLabel>()> labels,
                                                     QObject* parent = nullptr);

// Registers the label list's D-Bus type (aa{sv}); both ends call it before use.
void registerStatusTypes();

} // namespace corvane
