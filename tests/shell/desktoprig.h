#pragma once

#include "desktop/privatebus.h"

#include <QDBusConnection>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <memory>
#include <vector>

namespace corvane::test {

// A desktop of its own for one end-to-end test: a private session bus and, when asked, a
// virtual X server with an XEmbed tray (trayer). Nothing is shared with other tests that run
// at the same time, so each may own the tray, the application's bus name and the watcher.
class DesktopRig final {
public:
    enum class Tray { none, xembed };

    // tint: the tray's background colour.
    explicit DesktopRig(Tray tray, const QString& tint = QStringLiteral("0x303030"));
    ~DesktopRig();

    // Empty when the desktop is up; otherwise why it is not (the test skips).
    QString problem() const { return m_problem; }

    QDBusConnection bus() const { return m_bus; }
    // The X display (":N"), empty without one.
    QString display() const { return m_display; }
    // For child processes: the bus, the display (or offscreen) and nothing of the caller's
    // desktop.
    QProcessEnvironment environment() const;

    // Runs a program on this desktop (or in the environment given) and waits for it; its exit
    // code, or -1.
    int run(const QString& program, const QStringList& arguments,
            const QProcessEnvironment& environment = {}) const;
    // The whole screen as a PNG; false without a display.
    bool screenshot(const QString& path) const;
    // xdotool: moves the pointer to the point and clicks the button (1 left, 3 right).
    bool click(int x, int y, int button) const;

private:
    QProcess* start(const QString& program, const QStringList& arguments,
                    const QProcessEnvironment& environment);

    PrivateBus m_privateBus;
    std::vector<std::unique_ptr<QProcess>> m_processes;
    QDBusConnection m_bus{QString()};
    QString m_display;
    QString m_problem;
};

} // namespace corvane::test
