#pragma once

#include "desktoprig.h"

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>
#include <optional>

namespace corvane::fake {
class FakeServices;
}

namespace corvane::test {

// The real corvane program on a rig's desktop, against the fake services, with a settings
// folder of its own. Its standard output is kept line by line.
class AppRun final {
public:
    AppRun(const DesktopRig& desktop, fake::FakeServices& fake);

    // Two verified accounts (the fake's alpha and bravo keys) and, when asked, a device
    // registered with the fake Pushover and notifications on; the Pushover session secret, or
    // nothing.
    QString writeSettings(bool withPushover = false);

    // The suite the program reads, to change more of it before the start.
    QString suitePath() const { return m_config.filePath(QStringLiteral("CVNSuite.conf")); }

    bool start();
    // A second start of the program with the same desktop; its exit code.
    int startAgain() const;
    // SIGTERM, then the exit code (-1 when it crashed or hung).
    int terminate();
    // How the last terminate() found the program end, with the tail of its standard error.
    QString ending();

    QStringList lines();
    bool waitForLine(const QString& prefix, int timeoutMs = 15000);
    // A method of the program's own bus object; an invalid variant when it did not answer.
    QVariant ask(const QString& method) const;

private:
    QProcessEnvironment environment() const;

    const DesktopRig& m_desktop;
    fake::FakeServices& m_fake;
    QTemporaryDir m_config;
    QProcess m_process;
    QStringList m_lines;
    QString m_ending;
};

// A method call over the bus, as a host or panel makes it; the answer's arguments, or nothing
// when the call failed.
std::optional<QVariantList> callOn(const QDBusConnection& bus, const QString& service,
                                   const QString& path, const QString& interface,
                                   const QString& method, const QVariantList& arguments = {});

// Writes what a previous run left in the suite: accounts (API key, verified) and, when given,
// a Pushover registration.
void seedSuite(const QString& suitePath, const QList<std::pair<QString, bool>>& keys,
               const QString& secret = {}, const QString& device = {});

} // namespace corvane::test
