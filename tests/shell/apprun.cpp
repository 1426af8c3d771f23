#include "apprun.h"

#include "fakeservices.h"
#include "pushover.h"
#include "settings/posettings.h"
#include "settings/settings.h"
#include "settings/suite.h"

#include <QDBusReply>
#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>

namespace corvane::test {

AppRun::AppRun(const DesktopRig& desktop, const fake::FakeServices& fake)
    : m_desktop(desktop)
    , m_fake(fake)
{}

AppRun::~AppRun()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

void AppRun::writeSettings(const QString& secret, const QString& deviceId)
{
    Suite suite(m_config.filePath(QStringLiteral("CVNSuite.conf")));
    CVNSettings settings(suite);
    AccountMap accounts;
    for (const QString& key :
         {QStringLiteral("test-key-alpha"), QStringLiteral("test-key-bravo")}) {
        AccountSettings account = AccountSettings::newAccount();
        account.apiKey = key;
        account.keyVerified = true;
        accounts.insert(account.accountName, account);
    }
    settings.setAccountSettings(accounts);
    if (secret.isEmpty())
        return;
    POSettings pushover(suite);
    pushover.setPoSessionSecret(secret);
    pushover.setPoDeviceUID(deviceId);
    settings.setEnableNotifications(true);
}

QProcessEnvironment AppRun::environment() const
{
    QProcessEnvironment env = m_desktop.environment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config.path());
    env.insert(QStringLiteral("CORVANE_PLATFORM_API_URL"), m_fake.apiUrl().toString());
    env.insert(QStringLiteral("CORVANE_PLATFORM_WEB_URL"), m_fake.apiUrl().toString());
    env.insert(QStringLiteral("CORVANE_PUSHOVER_API_URL"), m_fake.pushoverUrl().toString());
    env.insert(QStringLiteral("CORVANE_PUSHOVER_SOCKET_URL"), m_fake.socketUrl().toString());
    env.insert(QStringLiteral("CORVANE_EXTRA_CA_FILE"), m_fake.caFile());
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
    QProcess second;
    second.setProcessEnvironment(environment());
    second.start(QStringLiteral(CORVANE_PROGRAM), {});
    // The first instance answers over the bus from its own loop; only wait here.
    if (!second.waitForFinished(10000)) {
        second.kill();
        second.waitForFinished(1000);
        return -1;
    }
    return second.exitStatus() == QProcess::NormalExit ? second.exitCode() : -1;
}

int AppRun::terminate()
{
    m_process.terminate();
    // The loop keeps running meanwhile: the fake services in this process take part in the
    // program's closing handshakes.
    QDeadlineTimer deadline(10000);
    while (m_process.state() != QProcess::NotRunning && !deadline.hasExpired())
        QTest::qWait(20);
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(1000);
        return -1;
    }
    lines();
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

QStringList AppRun::lines()
{
    while (m_process.canReadLine())
        m_lines.append(QString::fromUtf8(m_process.readLine()).chopped(1));
    return m_lines;
}

bool AppRun::waitForLine(const QString& prefix, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    do {
        for (const QString& line : lines()) {
            if (line.startsWith(prefix))
                return true;
        }
        QTest::qWait(50);
    } while (!deadline.hasExpired());
    return false;
}

QVariant AppRun::ask(const QString& method) const
{
    const QString name = QStringLiteral("io.corvane.Corvane");
    QDBusMessage call =
        QDBusMessage::createMethodCall(name, QStringLiteral("/io/corvane/Corvane"), name, method);
    const QDBusMessage reply = m_desktop.bus().call(call, QDBus::BlockWithGui, 3000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().constFirst();
}

std::pair<QString, QString> registerPushoverDevice(fake::FakeServices& fake)
{
    const QString email = QStringLiteral("e2e@example.com");
    const QString password = QStringLiteral("e2e-password");
    fake.pushover().addAccount(email, password);
    fake.trustInProcess();
    QNetworkAccessManager network;
    auto post = [&](const QString& path, const QList<std::pair<QString, QString>>& fields) {
        QUrlQuery form;
        for (const auto& [key, value] : fields)
            form.addQueryItem(key, value);
        QNetworkRequest request(fake.pushoverUrl().resolved(QUrl(path)));
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QStringLiteral("application/x-www-form-urlencoded"));
        QNetworkReply* reply = network.post(request, form.query(QUrl::FullyEncoded).toUtf8());
        QSignalSpy(reply, &QNetworkReply::finished).wait(10000);
        reply->deleteLater();
        return QJsonDocument::fromJson(reply->readAll()).object();
    };
    const QString secret =
        post(QStringLiteral("/1/users/login.json"),
             {{QStringLiteral("email"), email}, {QStringLiteral("password"), password}})
            .value(QStringLiteral("secret"))
            .toString();
    const QString device =
        post(QStringLiteral("/1/devices.json"), {{QStringLiteral("secret"), secret},
                                                 {QStringLiteral("name"), QStringLiteral("e2e")},
                                                 {QStringLiteral("os"), QStringLiteral("O")}})
            .value(QStringLiteral("id"))
            .toString();
    return {secret, device};
}

} // namespace corvane::test
