#include "keychain.h"

#include <QCoro/QCoroDBusPendingCall>
#include <QCoro/QCoroSignal>
#include <QDBusAbstractInterface>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <memory>
#include <qt6keychain/keychain.h>

namespace corvane {

namespace {

const QString secretService = QStringLiteral("org.freedesktop.secrets");
const QString secretPath = QStringLiteral("/org/freedesktop/secrets");

// Qt's D-Bus layer relays the service's signals to the Qt signals of the same name.
class SecretServiceSignals final : public QDBusAbstractInterface {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SecretServiceSignals)

public:
    SecretServiceSignals(const QDBusConnection& bus, QObject* parent)
        : QDBusAbstractInterface(secretService, secretPath, "org.freedesktop.Secret.Service", bus,
                                 parent)
    {}

Q_SIGNALS:
    void CollectionCreated(const QDBusObjectPath& collection);
    void CollectionDeleted(const QDBusObjectPath& collection);
    void CollectionChanged(const QDBusObjectPath& collection);
};

Keychain::Answer answerOf(const QKeychain::Job& job)
{
    switch (job.error()) {
    case QKeychain::NoError:
        return {Keychain::Outcome::ok, {}, {}};
    case QKeychain::EntryNotFound:
        return {Keychain::Outcome::notFound, {}, job.errorString()};
    case QKeychain::NoBackendAvailable:
        return {Keychain::Outcome::absent, {}, job.errorString()};
    default:
        return {Keychain::Outcome::refused, {}, job.errorString()};
    }
}

// Runs a job to its end. The job belongs to the keychain, so a keychain destroyed meanwhile
// takes it along and the caller is never resumed.
QCoro::Task<Keychain::Answer> finish(QKeychain::Job* job, QString name)
{
    std::unique_ptr<QKeychain::Job, void (*)(QKeychain::Job*)> owned(
        job, [](QKeychain::Job* done) { done->deleteLater(); });
    job->setAutoDelete(false);
    job->setInsecureFallback(false);
    job->setKey(name);
    auto finished = qCoro(job, &QKeychain::Job::finished);
    job->start();
    co_await std::move(finished);
    Keychain::Answer answer = answerOf(*job);
    if (answer.outcome == Keychain::Outcome::ok)
        if (auto* read = qobject_cast<QKeychain::ReadPasswordJob*>(job))
            answer.value = read->textData();
    co_return answer;
}

} // namespace

Keychain::Keychain(QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
{
    auto* service = new SecretServiceSignals(m_bus, this);
    connect(service, &SecretServiceSignals::CollectionCreated, this, &Keychain::changed);
    connect(service, &SecretServiceSignals::CollectionDeleted, this, &Keychain::changed);
    connect(service, &SecretServiceSignals::CollectionChanged, this, &Keychain::changed);
    auto* watcher = new QDBusServiceWatcher(secretService, m_bus,
                                            QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, &Keychain::changed);
}

QCoro::Task<bool> Keychain::serviceAvailable()
{
    if (!m_bus.isConnected())
        co_return false;
    const QDBusMessage owned = co_await m_bus.asyncCall(
        QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"))
        << secretService);
    if (owned.type() == QDBusMessage::ReplyMessage && owned.arguments().value(0).toBool())
        co_return true;
    const QDBusMessage activatable = co_await m_bus.asyncCall(QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("ListActivatableNames")));
    co_return activatable.type() ==
        QDBusMessage::ReplyMessage&& activatable.arguments().value(0).toStringList().contains(
            secretService);
}

QCoro::Task<bool> Keychain::defaultCollectionLocked()
{
    const QDBusMessage alias = co_await m_bus.asyncCall(
        QDBusMessage::createMethodCall(secretService, secretPath,
                                       QStringLiteral("org.freedesktop.Secret.Service"),
                                       QStringLiteral("ReadAlias"))
        << QStringLiteral("default"));
    const auto collection = alias.arguments().value(0).value<QDBusObjectPath>();
    if (alias.type() != QDBusMessage::ReplyMessage || collection.path().length() <= 1)
        co_return true;
    const QDBusMessage locked = co_await m_bus.asyncCall(
        QDBusMessage::createMethodCall(secretService, collection.path(),
                                       QStringLiteral("org.freedesktop.DBus.Properties"),
                                       QStringLiteral("Get"))
        << QStringLiteral("org.freedesktop.Secret.Collection") << QStringLiteral("Locked"));
    if (locked.type() != QDBusMessage::ReplyMessage)
        co_return true;
    co_return locked.arguments().value(0).value<QDBusVariant>().variant().toBool();
}

QCoro::Task<Keychain::Answer> Keychain::read(QString label, QString name)
{
    co_return co_await finish(new QKeychain::ReadPasswordJob(label, this), std::move(name));
}

QCoro::Task<Keychain::Answer> Keychain::write(QString label, QString name, QString value)
{
    auto* job = new QKeychain::WritePasswordJob(label, this);
    job->setTextData(value);
    co_return co_await finish(job, std::move(name));
}

QCoro::Task<Keychain::Answer> Keychain::remove(QString label, QString name)
{
    Answer answer = co_await finish(new QKeychain::DeletePasswordJob(label, this), std::move(name));
    if (answer.outcome == Outcome::notFound)
        answer.outcome = Outcome::ok;
    co_return answer;
}

} // namespace corvane

#include "keychain.moc"
