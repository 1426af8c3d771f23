#pragma once

#include "app/statusinterface.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QJsonObject>
#include <QObject>
#include <functional>
#include <optional>

namespace corvane {

// The tray's row as one line of text: "⚠ IBKR $13  IRA ($5)".
QString statusText(const StatusSnapshot& status);
// Everything, for scripts.
QJsonObject statusJson(const StatusSnapshot& status);
// The shape panel bars' custom modules read: text, tooltip and a class (positive, negative,
// neutral or error). No status means no running instance.
QJsonObject panelJson(const std::optional<StatusSnapshot>& status);
// The same for Xfce's Generic Monitor plugin: its <txt>, <tool> and <txtclick> tags, the text
// in Pango markup. `clickCommand` runs on a click, as the plugin parses a command line.
QString genmonText(const std::optional<StatusSnapshot>& status, const QString& clickCommand);

// Reads a running instance's status over the session bus, once or at every change.
class StatusClient final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatusClient)

public:
    explicit StatusClient(QDBusConnection bus, QObject* parent = nullptr);

    // Empty when no instance answers; `error` then says why.
    std::optional<StatusSnapshot> read(QString* error = nullptr) const;

    // Calls `print` with the panel line now and after every change that alters it, including
    // the instance going away and coming back, until this object is destroyed.
    void follow(std::function<void(const QString&)> print);

private:
    static QDBusMessage getAllCall();
    static std::optional<StatusSnapshot> snapshotOf(const QDBusMessage& reply);
    void printCurrent();

    QDBusConnection m_bus;
    std::function<void(const QString&)> m_print;
    QString m_lastLine;
};

} // namespace corvane
