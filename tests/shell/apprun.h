#pragma once

#include "desktoprig.h"

#include <QDBusMessage>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

namespace corvane::fake {
class FakeServices;
}

namespace corvane::test {

// The real corvane program on a rig's desktop, against the fake services, with a settings
// folder of its own. Its standard output is kept line by line.
class AppRun final {
public:
    AppRun(const DesktopRig& desktop, const fake::FakeServices& fake);
    ~AppRun();
    AppRun(const AppRun&) = delete;
    AppRun& operator=(const AppRun&) = delete;

    QString configDir() const { return m_config.path(); }
    // Two verified accounts (the fake's alpha and bravo keys) and, when given, a registered
    // Pushover device with notifications on.
    void writeSettings(const QString& secret = {}, const QString& deviceId = {});

    bool start();
    // A second start of the program with the same desktop; its exit code.
    int startAgain() const;
    // SIGTERM, then the exit code (-1 when it crashed or hung).
    int terminate();

    QStringList lines();
    bool waitForLine(const QString& prefix, int timeoutMs = 15000);
    // A method of the program's own bus object; an invalid variant when it did not answer.
    QVariant ask(const QString& method) const;
    QProcess& process() { return m_process; }

private:
    QProcessEnvironment environment() const;

    const DesktopRig& m_desktop;
    const fake::FakeServices& m_fake;
    QTemporaryDir m_config;
    QProcess m_process;
    QStringList m_lines;
};

// Logs in to the fake Pushover and registers a device; {secret, device id}, empty on failure.
std::pair<QString, QString> registerPushoverDevice(fake::FakeServices& fake);

} // namespace corvane::test
