#include "apprun.h"

#include "fakeservices.h"
#include "pushover.h"
#include "pushover/poapimanager.h"
#include "settings/posettings.h"
#include "settings/settings.h"
#include "settings/suite.h"

#include <QCoro/QCoroTask>
#include <QDBusMessage>
#include <QNetworkAccessManager>
#include <QTest>

using namespace Qt::StringLiterals;

namespace corvane::test {

AppRun::AppRun(const DesktopRig& desktop, fake::FakeServices& fake)
    : m_desktop(desktop)
    , m_fake(fake)
{}

void seedSuite(const QString& suitePath, const QList<std::pair<QString, bool>>& keys,
               const QString& secret, const QString& device)
{
    Suite suite(suitePath);
    CVNSettings settings(suite);
    AccountMap accounts;
    for (const auto& [key, verified] : keys) {
        AccountSettings account = AccountSettings::newAccount();
        account.apiKey = key;
        account.keyVerified = verified;
        accounts.insert(account.accountName, account);
    }
    settings.setAccountSettings(accounts);
    POSettings pushover(suite);
    pushover.setPoSessionSecret(secret);
    pushover.setPoDeviceUID(device);
}

QString AppRun::writeSettings(bool withPushover)
{
    const QString path = m_config.filePath(u"CVNSuite.conf"_s);
    seedSuite(path, {{u"test-key-alpha"_s, true}, {u"test-key-bravo"_s, true}});
    if (!withPushover)
        return {};
    const QString email = u"e2e@example.com"_s;
    m_fake.pushover().addAccount(email, u"e2e-password"_s);
    m_fake.trustInProcess();
    Suite suite(path);
    POSettings pushover(suite);
    QNetworkAccessManager network;
    POApiManager api(network, pushover, m_fake.pushoverUrl());
    QCoro::waitFor(api.setupPushover(email, u"e2e-password"_s, u"e2e"_s));
    CVNSettings(suite).setEnableNotifications(true);
    return pushover.poIsRegistered() ? pushover.poSessionSecret() : QString();
}

QProcessEnvironment AppRun::environment() const
{
    QProcessEnvironment env = m_desktop.environment();
    env.insert(u"XDG_CONFIG_HOME"_s, m_config.path());
    env.insert(u"XDG_DATA_HOME"_s, m_config.path());
    env.insert(u"CORVANE_PLATFORM_API_URL"_s, m_fake.apiUrl().toString());
    env.insert(u"CORVANE_PLATFORM_WEB_URL"_s, m_fake.apiUrl().toString());
    env.insert(u"CORVANE_PUSHOVER_API_URL"_s, m_fake.pushoverUrl().toString());
    env.insert(u"CORVANE_PUSHOVER_SOCKET_URL"_s, m_fake.socketUrl().toString());
    env.insert(u"CORVANE_EXTRA_CA_FILE"_s, m_fake.caFile());
    return env;
}

bool AppRun::start()
{
    m_process.setProcessEnvironment(environment());
    m_process.start(QStringLiteral(CORVANE_PROGRAM), {});
    return m_process.waitForStarted(5000);
}

int AppRun::startAgain() const
{
    // The first instance answers over the bus from its own loop; only wait here.
    return m_desktop.run(QStringLiteral(CORVANE_PROGRAM), {}, environment());
}

int AppRun::terminate()
{
    m_process.terminate();
    // The loop keeps running meanwhile: the fake services in this process take part in the
    // program's closing handshakes.
    if (!QTest::qWaitFor([this] { return m_process.state() == QProcess::NotRunning; }, 10000)) {
        m_process.kill();
        m_process.waitForFinished(1000);
        m_ending = u"still running 10 s after SIGTERM"_s;
        return -1;
    }
    lines();
    if (m_process.exitStatus() == QProcess::NormalExit) {
        m_ending = u"exit code %1"_s.arg(m_process.exitCode());
        return m_process.exitCode();
    }
    m_ending = u"ended by a crash or a signal (%1)"_s.arg(m_process.errorString());
    return -1;
}

QString AppRun::ending()
{
    QStringList errors = QString::fromUtf8(m_process.readAllStandardError()).split(u'\n');
    if (errors.size() > 20)
        errors = errors.mid(errors.size() - 20);
    return m_ending + u"; last standard error lines:\n"_s + errors.join(u'\n');
}

QStringList AppRun::lines()
{
    while (m_process.canReadLine())
        m_lines.append(QString::fromUtf8(m_process.readLine()).chopped(1));
    return m_lines;
}

bool AppRun::waitForLine(const QString& prefix, int timeoutMs)
{
    return QTest::qWaitFor(
        [&] {
            const QStringList seen = lines();
            return std::any_of(seen.cbegin(), seen.cend(),
                               [&](const QString& line) { return line.startsWith(prefix); });
        },
        timeoutMs);
}

QVariant AppRun::ask(const QString& method) const
{
    const QString name = u"io.corvane.Corvane"_s;
    const auto answer = callOn(m_desktop.bus(), name, u"/io/corvane/Corvane"_s, name, method);
    return answer ? answer->value(0) : QVariant();
}

std::optional<QVariantList> callOn(const QDBusConnection& bus, const QString& service,
                                   const QString& path, const QString& interface,
                                   const QString& method, const QVariantList& arguments)
{
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    call.setArguments(arguments);
    const QDBusMessage reply = bus.call(call, QDBus::BlockWithGui, 3000);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return std::nullopt;
    return reply.arguments();
}

} // namespace corvane::test
