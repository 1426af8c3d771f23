#pragma once

#include <QCoro/QCoroTask>
#include <QHash>
#include <QMap>
#include <QObject>
#include <QString>

namespace corvane {

class CVNSettings;
class Keychain;
class POSettings;
class Suite;

// Keeps the API keys and the Pushover session secret in the desktop's keyring, one item per
// secret, and everything else in the settings file. The stores keep their secrets in memory as
// before; this object fills them in from the keyring and decides which ones the file leaves out.
//
// A secret leaves the file only once the keyring holds that very value: a key the user just
// typed is written to the file first and moved when the keyring confirms it. The file's
// "keyringSecrets" entry names the secrets the keyring holds (account id or "poSessionSecret",
// each with its item's label), so a secret the file lacks is known to be waiting there.
//
// Without a Secret Service, or with "keepSecretsInFile" set, the secrets stay in the file
// (readable by its owner only); secrets an earlier run moved to the keyring come back to the
// file when the keyring can still be read.
class SecretStore final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SecretStore)

public:
    enum class Location {
        file,      // no keyring was offered (tests, no session bus)
        keyring,   // the keyring holds them
        locked,    // the keyring holds some and is locked: waiting for it to be unlocked
        refused,   // the keyring would not take them; they stay in the file
        noService, // no Secret Service runs; the file holds them
        turnedOff, // keepSecretsInFile; the file holds them
    };

    // keychain null: no keyring; the secrets stay in the file and nothing is logged.
    SecretStore(Suite& defaults, CVNSettings& settings, POSettings& pushover, Keychain* keychain,
                QObject* parent = nullptr);
    ~SecretStore() override;

    static QString indexKey();      // "keyringSecrets"
    static QString keepInFileKey(); // "keepSecretsInFile"
    static QString apiKeyLabel(const QString& nickname);
    static QString sessionSecretLabel();

    Location location() const { return m_location; }

    // Fills in the secrets the keyring holds, then starts moving those the file still holds
    // into it (settled() tells when that is done). Completes once every secret is in memory or
    // cannot be had; a locked keyring keeps it waiting, without blocking the event loop, until
    // the user unlocks it. Called once.
    QCoro::Task<> load();

Q_SIGNALS:
    void locationChanged(corvane::SecretStore::Location location);
    // Every write and removal the last change asked for has been answered.
    void settled();

private:
    struct Wanted {
        QString label;
        QString value;
    };

    QCoro::Task<> fillFromKeyring();
    QCoro::Task<> sync();
    QCoro::Task<> moveIntoKeyring();
    QCoro::Task<> moveBackToFile();
    QCoro::Task<bool> forget(QString name);

    QMap<QString, Wanted> wanted() const;
    bool ownerExists(const QString& name) const;
    QString valueInMemory(const QString& name) const;
    void fillIn(const QString& name, const QString& value);
    void rewriteFile();
    void saveIndex();
    void setLocation(Location location, const QString& reason = {});

    Suite& m_defaults;
    CVNSettings& m_settings;
    POSettings& m_pushover;
    Keychain* m_keychain;
    QMap<QString, QString> m_index; // name → label of the items the keyring holds
    QHash<QString, QString> m_held; // name → value the keyring confirmed
    bool m_serviceAvailable = false;
    bool m_useKeyring = false;
    bool m_loaded = false;
    bool m_syncing = false;
    bool m_syncAgain = false;
    Location m_location = Location::file;
};

} // namespace corvane
