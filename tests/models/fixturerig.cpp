#include "fixturerig.h"

#include <QCoro/QCoroTask>

namespace corvane::test {

namespace {

// The fake has to listen before the root learns its address.
QUrl started(fake::FakeServices& fake)
{
    if (!fake.start())
        qFatal("The fake services do not start: %s", qPrintable(fake.errorString()));
    fake.trustInProcess();
    return fake.apiUrl();
}

} // namespace

FixtureRig::FixtureRig()
    : core(clock.clock(), [this](CoreConfig& config) {
        config.platformApiUrl = started(fake);
        config.historyPath = historyFolder.filePath(QStringLiteral("history.sqlite"));
    })
{}

QUuid FixtureRig::addFixtureAccount(const QString& apiKey)
{
    AccountSettings account = AccountSettings::newAccount();
    account.apiKey = apiKey;
    settings.setAccount(account);
    const auto verified = QCoro::waitFor(core->verifier().verify(account.accountName));
    if (verified.outcome != AccountVerifier::Outcome::verified || !waitForPasses(*core))
        qFatal("Fixture account %s is not verified and synced", qPrintable(apiKey));
    return account.accountName;
}

} // namespace corvane::test
