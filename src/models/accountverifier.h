#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QUuid>
#include <qcoro/qcorotask.h>

namespace corvane {

class BotAPIService;
class BrokerAPIService;
class CVNSettings;
class ProcessedDataManager;
class RunWatch;
struct BrokerSettings;
struct PlatformConnection;

// What the accounts settings do below the views: prove an API key against Orrisfield, load
// the account's broker connections, and drop an account together with its results.
//
// Verifications of one account may overlap (the user presses Verify again while one runs);
// only the most recently started one is applied, so an old answer that arrives late never
// overwrites a newer one. An answer is also dropped when the account no longer holds the key
// that was checked.
class AccountVerifier final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AccountVerifier)

public:
    enum class Outcome { verified, rejected, brokersMissing, fetchFailed, superseded };
    struct Result {
        Outcome outcome = Outcome::superseded;
        // The error line under the Verify button; empty when there is none.
        QString message;
    };

    AccountVerifier(CVNSettings& settings, ProcessedDataManager& store, RunWatch& watch,
                    const PlatformConnection& connection, QObject* parent = nullptr);
    ~AccountVerifier() override;

    static inline const QString brokersMissingText =
        QStringLiteral("No broker data or no active broker");

    // Runs the verification of one account to its end. A key the platform rejects carries the
    // platform's own message. The answer of a verification that a later one superseded is
    // dropped.
    QCoro::Task<Result> verify(QUuid accountId);
    bool isVerifying(const QUuid& accountId) const { return m_running.value(accountId) > 0; }
    // The bots fetcher, whose errors the root routes to the user-facing error texts.
    const BotAPIService& bots() const { return *m_bots; }

    // Drops the results of the account's enabled brokers, then the account itself.
    void removeAccount(const QUuid& accountId);

    // The verified list keeps the user's Watch choice and nickname of every broker the answer
    // still has; a broker that is no longer active cannot stay watched, and one that was not
    // active before is watched when it is now, as on a first verification.
    static QList<BrokerSettings> mergeBrokers(const QList<BrokerSettings>& previous,
                                              const QList<BrokerSettings>& fetched);

Q_SIGNALS:
    void verifyingChanged(const QUuid& accountId, bool verifying);

private:
    void setRunning(const QUuid& accountId, int delta);
    bool holdsKey(const QUuid& accountId, const QString& apiKey) const;
    void markUnverified(const QUuid& accountId);
    Result finish(const QUuid& accountId, Outcome outcome, const QString& message = {});

    CVNSettings& m_settings;
    ProcessedDataManager& m_store;
    RunWatch& m_watch;
    BotAPIService* m_bots;
    BrokerAPIService* m_brokers;
    QHash<QUuid, int> m_running;
    QHash<QUuid, quint64> m_latest;
    quint64 m_nextTicket = 0;
};

} // namespace corvane
