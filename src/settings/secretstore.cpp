#include "secretstore.h"

#include "base/log.h"
#include "keychain.h"
#include "posettings.h"
#include "settings.h"
#include "suite.h"

#include <QCoro/QCoroSignal>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>

namespace corvane {

namespace {

const QString sessionSecretName = QStringLiteral("poSessionSecret");

QString nameOf(const QUuid& accountId)
{
    return accountId.toString(QUuid::WithoutBraces).toUpper();
}

QString whereText(SecretStore::Location location, const QString& file, const QString& reason)
{
    const QString inFile =
        QStringLiteral("API keys and the Pushover secret are kept in %1, readable by you alone")
            .arg(file);
    switch (location) {
    case SecretStore::Location::keyring:
        return QStringLiteral(
            "API keys and the Pushover secret are kept in the desktop's keyring.");
    case SecretStore::Location::locked:
        return QStringLiteral("The desktop's keyring is locked: Corvane goes on once it is "
                              "unlocked.");
    case SecretStore::Location::refused:
        return inFile +
               QStringLiteral(": the desktop's keyring did not take them (%1).").arg(reason);
    case SecretStore::Location::noService:
        return inFile + QStringLiteral(": no keyring service (Secret Service) is running.");
    case SecretStore::Location::turnedOff:
        return inFile + QStringLiteral(": keepSecretsInFile is set there.");
    case SecretStore::Location::file:
        break;
    }
    return inFile + u'.';
}

} // namespace

SecretStore::SecretStore(Suite& defaults, CVNSettings& settings, POSettings& pushover,
                         Keychain* keychain, QObject* parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_settings(settings)
    , m_pushover(pushover)
    , m_keychain(keychain)
{
    const QJsonObject index = QJsonDocument::fromJson(m_defaults.data(indexKey())).object();
    for (auto it = index.begin(); it != index.end(); ++it)
        if (it.value().isString())
            m_index.insert(it.key(), it.value().toString());

    auto keptElsewhere = [this](const QString& name, const QString& value) {
        return m_useKeyring && !value.isEmpty() && m_index.contains(name) &&
               m_held.contains(name) && m_held.value(name) == value;
    };
    m_settings.setKeyKeptElsewhere([keptElsewhere](const AccountSettings& account) {
        return keptElsewhere(nameOf(account.accountName), account.apiKey);
    });
    m_pushover.setSecretKeptElsewhere([keptElsewhere](const QString& secret) {
        return keptElsewhere(sessionSecretName, secret);
    });
    setLocation(Location::file);

    auto changed = [this] {
        if (m_loaded)
            sync();
    };
    connect(&m_settings, &CVNSettings::accountSettingsChanged, this, changed);
    connect(&m_pushover, &POSettings::poSessionSecretChanged, this, changed);
    // A keyring unlocked, or a Secret Service started, later on takes what it refused.
    if (m_keychain)
        connect(m_keychain, &Keychain::changed, this, changed);
}

SecretStore::~SecretStore()
{
    m_settings.setKeyKeptElsewhere({});
    m_pushover.setSecretKeptElsewhere({});
}

QString SecretStore::indexKey()
{
    return QStringLiteral("keyringSecrets");
}

QString SecretStore::keepInFileKey()
{
    return QStringLiteral("keepSecretsInFile");
}

QString SecretStore::apiKeyLabel(const QString& nickname)
{
    return QStringLiteral("Corvane: Orrisfield API key (%1)").arg(nickname);
}

QString SecretStore::sessionSecretLabel()
{
    return QStringLiteral("Corvane: Pushover session secret");
}

QCoro::Task<> SecretStore::load()
{
    if (m_keychain) {
        QPointer<SecretStore> self(this);
        const bool service = co_await m_keychain->serviceAvailable();
        if (!self)
            co_return;
        const bool keepInFile = m_defaults.boolean(keepInFileKey());
        m_serviceAvailable = service;
        m_useKeyring = service && !keepInFile;
        if (!service) {
            setLocation(Location::noService);
            logLine(QStringLiteral("No Secret Service is running; API keys and the Pushover "
                                   "secret stay in %1.")
                        .arg(m_defaults.filePath()));
        } else if (keepInFile) {
            setLocation(Location::turnedOff);
            logLine(QStringLiteral("keepSecretsInFile is set; API keys and the Pushover secret "
                                   "stay in %1.")
                        .arg(m_defaults.filePath()));
        }
        if (service)
            co_await fillFromKeyring();
        if (!self)
            co_return;
    }
    m_loaded = true;
    // The launch needs the secrets, not the move: a keyring that asks the user before it takes
    // a secret (or never gets an answer) must not hold up a launch whose secrets are at hand.
    sync();
}

QCoro::Task<> SecretStore::fillFromKeyring()
{
    QPointer<SecretStore> self(this);
    bool toldLocked = false;
    for (;;) {
        bool waiting = false;
        const QMap<QString, QString> index = m_index;
        for (auto it = index.cbegin(); it != index.cend(); ++it) {
            const QString& name = it.key();
            // The file's own value is newer than the keyring's: it is moved there later.
            if (m_held.contains(name) || !ownerExists(name) || !valueInMemory(name).isEmpty())
                continue;
            const Keychain::Answer answer = co_await m_keychain->read(it.value(), name);
            if (!self)
                co_return;
            if (answer.outcome == Keychain::Outcome::ok) {
                m_held.insert(name, answer.value);
                fillIn(name, answer.value);
            } else if (answer.outcome == Keychain::Outcome::absent) {
                co_return;
            } else if (answer.outcome == Keychain::Outcome::refused ||
                       co_await m_keychain->defaultCollectionLocked()) {
                waiting = true;
            } else if (self) {
                // Deleted from the keyring by hand: nothing is left to wait for.
                logLine(QStringLiteral("The keyring no longer holds \"%1\".").arg(it.value()));
                m_index.remove(name);
                saveIndex();
            }
            if (!self)
                co_return;
        }
        if (!waiting)
            co_return;
        setLocation(Location::locked);
        if (!toldLocked)
            logLine(QStringLiteral("The keyring is locked; Corvane waits until it is unlocked."));
        toldLocked = true;
        co_await qCoro(m_keychain, &Keychain::changed);
        if (!self)
            co_return;
    }
}

QCoro::Task<> SecretStore::sync()
{
    if (m_syncing) {
        m_syncAgain = true;
        co_return;
    }
    QPointer<SecretStore> self(this);
    m_syncing = true;
    do {
        m_syncAgain = false;
        if (!m_keychain)
            break;
        if (m_useKeyring)
            co_await moveIntoKeyring();
        else
            co_await moveBackToFile();
        if (!self)
            co_return;
    } while (m_syncAgain);
    m_syncing = false;
    Q_EMIT settled();
}

QCoro::Task<> SecretStore::moveIntoKeyring()
{
    QPointer<SecretStore> self(this);
    const QMap<QString, Wanted> wanted = this->wanted();
    bool askedLocked = false;
    for (auto it = wanted.cbegin(); it != wanted.cend(); ++it) {
        const QString& name = it.key();
        if (m_held.contains(name) && m_held.value(name) == it->value &&
            m_index.value(name) == it->label)
            continue;
        // A write into a locked keyring (or one not made yet) raises the desktop's password
        // prompt, at every start; the secret is safe in the file until the user unlocks it.
        if (!askedLocked) {
            askedLocked = true;
            const bool locked = co_await m_keychain->defaultCollectionLocked();
            if (!self)
                co_return;
            if (locked) {
                if (m_location != Location::refused)
                    logLine(QStringLiteral("The keyring is locked; API keys and the Pushover "
                                           "secret stay in %1 until it is unlocked.")
                                .arg(m_defaults.filePath()));
                setLocation(Location::refused, QStringLiteral("the keyring is locked"));
                co_return;
            }
        }
        const Keychain::Answer answer = co_await m_keychain->write(it->label, name, it->value);
        if (!self)
            co_return;
        if (answer.outcome != Keychain::Outcome::ok) {
            if (m_location != Location::refused)
                logLine(QStringLiteral("The keyring did not take \"%1\" (%2); it stays in %3.")
                            .arg(it->label, answer.error, m_defaults.filePath()));
            setLocation(Location::refused, answer.error);
            co_return;
        }
        const QString oldLabel = m_index.value(name);
        // The index names the item before the file lets go of the secret, so that a crash in
        // between leaves it in both places rather than in neither.
        m_index.insert(name, it->label);
        m_held.insert(name, it->value);
        saveIndex();
        rewriteFile();
        if (!oldLabel.isEmpty() && oldLabel != it->label)
            co_await m_keychain->remove(oldLabel, name);
        if (!self)
            co_return;
    }
    // The secrets of removed accounts, cleared keys and a reset Pushover registration.
    const QStringList names = m_index.keys();
    for (const QString& name : names) {
        if (wanted.contains(name) || (ownerExists(name) && !m_held.contains(name)))
            continue;
        co_await forget(name);
        if (!self)
            co_return;
    }
    setLocation(Location::keyring);
}

QCoro::Task<> SecretStore::moveBackToFile()
{
    if (!m_serviceAvailable)
        co_return;
    QPointer<SecretStore> self(this);
    // Whatever the keyring gave back is in memory; the file takes it before the keyring
    // lets go of it. Items that could not be read stay where they are.
    rewriteFile();
    const QStringList names = m_index.keys();
    for (const QString& name : names) {
        if (!m_held.contains(name) && ownerExists(name))
            continue;
        co_await forget(name);
        if (!self)
            co_return;
    }
    setLocation(Location::turnedOff);
}

QCoro::Task<bool> SecretStore::forget(QString name)
{
    QPointer<SecretStore> self(this);
    const Keychain::Answer answer = co_await m_keychain->remove(m_index.value(name), name);
    if (!self)
        co_return false;
    if (answer.outcome != Keychain::Outcome::ok) {
        logLine(QStringLiteral("The keyring did not remove \"%1\" (%2).")
                    .arg(m_index.value(name), answer.error));
        co_return false;
    }
    m_index.remove(name);
    m_held.remove(name);
    saveIndex();
    co_return true;
}

QMap<QString, SecretStore::Wanted> SecretStore::wanted() const
{
    QMap<QString, Wanted> wanted;
    for (const AccountSettings& account : m_settings.accountSettings())
        if (!account.apiKey.isEmpty())
            wanted.insert(nameOf(account.accountName),
                          {apiKeyLabel(account.nickName), account.apiKey});
    if (!m_pushover.poSessionSecret().isEmpty())
        wanted.insert(sessionSecretName, {sessionSecretLabel(), m_pushover.poSessionSecret()});
    return wanted;
}

bool SecretStore::ownerExists(const QString& name) const
{
    return name == sessionSecretName || m_settings.accountSettings().contains(QUuid(name));
}

QString SecretStore::valueInMemory(const QString& name) const
{
    if (name == sessionSecretName)
        return m_pushover.poSessionSecret();
    return m_settings.accountSettings().value(QUuid(name)).apiKey;
}

void SecretStore::fillIn(const QString& name, const QString& value)
{
    if (name == sessionSecretName) {
        m_pushover.setPoSessionSecret(value);
        return;
    }
    const auto account = m_settings.accountSettings().constFind(QUuid(name));
    if (account == m_settings.accountSettings().cend())
        return;
    AccountSettings filled = *account;
    filled.apiKey = value;
    m_settings.setAccount(filled);
}

void SecretStore::rewriteFile()
{
    m_settings.rewriteAccountSettings();
    m_pushover.rewritePoSessionSecret();
}

void SecretStore::saveIndex()
{
    if (m_index.isEmpty()) {
        m_defaults.remove(indexKey());
        return;
    }
    QJsonObject index;
    for (auto it = m_index.cbegin(); it != m_index.cend(); ++it)
        index.insert(it.key(), it.value());
    m_defaults.setData(indexKey(), QJsonDocument(index).toJson(QJsonDocument::Compact));
}

void SecretStore::setLocation(Location location, const QString& reason)
{
    const bool changed = location != m_location;
    m_location = location;
    m_settings.setSecretsLocation(whereText(location, m_defaults.filePath(), reason));
    if (changed)
        Q_EMIT locationChanged(location);
}

} // namespace corvane
