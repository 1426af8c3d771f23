#include "accountverifier.h"

#include "base/log.h"
#include "engine/processeddatamanager.h"
#include "engine/recordconversions.h"
#include "engine/runwatch.h"
#include "platform_api/botapiservice.h"
#include "platform_api/brokerapiservice.h"
#include "platform_api/network.h"
#include "settings/settings.h"

#include <QPointer>

namespace corvane {

AccountVerifier::AccountVerifier(CVNSettings& settings, ProcessedDataManager& store,
                                 RunWatch& watch, const PlatformConnection& connection,
                                 QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_store(store)
    , m_watch(watch)
    , m_bots(new BotAPIService(connection, this))
    , m_brokers(new BrokerAPIService(connection, this))
{}

AccountVerifier::~AccountVerifier() = default;

QList<BrokerSettings> AccountVerifier::mergeBrokers(const QList<BrokerSettings>& previous,
                                                    const QList<BrokerSettings>& fetched)
{
    QList<BrokerSettings> merged = fetched;
    for (BrokerSettings& broker : merged) {
        for (const BrokerSettings& old : previous) {
            if (old.brokerNumber != broker.brokerNumber)
                continue;
            // A broker that was not active had no Watch choice worth keeping: it takes what a
            // new verification gives it, as the user could not have chosen otherwise.
            if (old.enabled)
                broker.watch = broker.enabled && old.watch;
            if (broker.nickname.isEmpty())
                broker.nickname = old.nickname;
            break;
        }
    }
    return merged;
}

void AccountVerifier::setRunning(const QUuid& accountId, int delta)
{
    const int before = m_running.value(accountId);
    const int after = before + delta;
    if (after == 0)
        m_running.remove(accountId);
    else
        m_running.insert(accountId, after);
    if ((before == 0) != (after == 0))
        Q_EMIT verifyingChanged(accountId, after > 0);
}

AccountVerifier::Result AccountVerifier::finish(const QUuid& accountId, Outcome outcome,
                                                const QString& message)
{
    setRunning(accountId, -1);
    return Result{outcome, message};
}

bool AccountVerifier::holdsKey(const QUuid& accountId, const QString& apiKey) const
{
    const auto account = m_settings.accountSettings().constFind(accountId);
    return account != m_settings.accountSettings().cend() && account->apiKey == apiKey;
}

void AccountVerifier::markUnverified(const QUuid& accountId)
{
    auto account = m_settings.accountSettings().constFind(accountId);
    if (account == m_settings.accountSettings().cend())
        return;
    AccountSettings changed = *account;
    changed.keyVerified = false;
    m_settings.setAccount(changed);
}

QCoro::Task<AccountVerifier::Result> AccountVerifier::verify(QUuid accountId)
{
    const quint64 ticket = ++m_nextTicket;
    m_latest.insert(accountId, ticket);
    setRunning(accountId, +1);
    const QString apiKey = m_settings.accountSettings().value(accountId).apiKey;

    // The fetchers are children: they abort their requests as they go, after this object's
    // guards have been cleared, and the verification resumes to find it gone.
    const QPointer<AccountVerifier> self(this);
    const std::optional<BotModel> bots = co_await m_bots->fetchBots(apiKey);
    if (!self)
        co_return Result{};
    // An answer is about the key that was sent: a key typed meanwhile has not been checked.
    if (m_latest.value(accountId) != ticket || !holdsKey(accountId, apiKey))
        co_return finish(accountId, Outcome::superseded);
    // The fetcher has already put its failure into the shared error state.
    if (!bots)
        co_return finish(accountId, Outcome::fetchFailed);
    if (!bots->success) {
        markUnverified(accountId);
        co_return finish(accountId, Outcome::rejected, bots->message);
    }

    const std::optional<BrokerResponse> brokers =
        co_await m_brokers->fetchBrokerConnections(apiKey);
    if (!self)
        co_return Result{};
    if (m_latest.value(accountId) != ticket || !holdsKey(accountId, apiKey))
        co_return finish(accountId, Outcome::superseded);
    // An answer that says it failed carries no broker list to trust, like no answer at all.
    if (!brokers || !brokers->success) {
        markUnverified(accountId);
        co_return finish(accountId, Outcome::brokersMissing, brokersMissingText);
    }

    auto account = m_settings.accountSettings().constFind(accountId);
    if (account != m_settings.accountSettings().cend()) {
        AccountSettings changed = *account;
        changed.brokerSettings =
            mergeBrokers(changed.brokerSettings, brokerSettingsFrom(brokers->data));
        changed.keyVerified = true;
        m_settings.setAccount(changed);
    }
    m_watch.manualStart();
    co_return finish(accountId, Outcome::verified);
}

void AccountVerifier::removeAccount(const QUuid& accountId)
{
    if (!m_settings.accountSettings().contains(accountId)) {
        logLine(QStringLiteral("No record found for key: ") +
                accountId.toString(QUuid::WithoutBraces).toUpper());
        return;
    }
    // A check still out for it must end as overtaken, not fill in a record that is gone.
    m_latest.remove(accountId);
    m_store.removeAccountProcessedData(accountId);
    m_settings.removeAccount(accountId);
}

} // namespace corvane
