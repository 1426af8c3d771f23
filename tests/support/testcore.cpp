#include "testcore.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>

namespace corvane::test {

TestCore::TestCore(Clock clock, const std::function<void(CoreConfig&)>& adjust)
{
    CoreConfig config;
    config.suitePath = m_folder.filePath(QStringLiteral("CVNSuite.conf"));
    config.clock = std::move(clock);
    config.platformTimeout = std::chrono::seconds(20);
    if (adjust)
        adjust(config);
    m_core = std::make_unique<Core>(std::move(config));
}

QUuid addVerifiedAccount(CVNSettings& settings, const QString& apiKey, bool watched)
{
    AccountSettings account = AccountSettings::newAccount();
    account.apiKey = apiKey;
    account.watchAccount = watched;
    account.keyVerified = true;
    settings.setAccount(account);
    return account.accountName;
}

bool runPass(Core& core)
{
    core.watch().manualStart();
    return waitForPasses(core);
}

bool waitForPasses(Core& core)
{
    QDeadlineTimer deadline(30'000);
    while (core.watch().isPassRunning() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    QCoreApplication::processEvents();
    return !core.watch().isPassRunning();
}

qint64 residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

} // namespace corvane::test
