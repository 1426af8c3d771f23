#pragma once

#include <QObject>
#include <QString>
#include <functional>

namespace corvane {

class Suite;

// What the Pushover client needs to stay logged in and registered. poEmail and poPassword are
// only loaded, never written. poIsRegistered is derived and never stored: it holds exactly
// while both the session secret and the device id are non-empty.
class POSettings final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(POSettings)
    Q_PROPERTY(QString poEmail READ poEmail CONSTANT)
    Q_PROPERTY(QString poPassword READ poPassword CONSTANT)
    Q_PROPERTY(QString poUserKey READ poUserKey WRITE setPoUserKey NOTIFY poUserKeyChanged)
    Q_PROPERTY(
        QString poDeviceName READ poDeviceName WRITE setPoDeviceName NOTIFY poDeviceNameChanged)
    Q_PROPERTY(QString poSessionSecret READ poSessionSecret WRITE setPoSessionSecret NOTIFY
                   poSessionSecretChanged)
    Q_PROPERTY(QString poDeviceUID READ poDeviceUID WRITE setPoDeviceUID NOTIFY poDeviceUIDChanged)
    Q_PROPERTY(bool poIsRegistered READ poIsRegistered NOTIFY poIsRegisteredChanged)

public:
    explicit POSettings(Suite& defaults, QObject* parent = nullptr);

    Suite& defaults() const { return m_defaults; }

    QString poEmail() const { return m_poEmail; }
    QString poPassword() const { return m_poPassword; }
    QString poUserKey() const { return m_poUserKey; }
    QString poDeviceName() const { return m_poDeviceName; }
    QString poSessionSecret() const { return m_poSessionSecret; }
    QString poDeviceUID() const { return m_poDeviceUID; }
    bool poIsRegistered() const { return m_poIsRegistered; }

    // Each assignment is announced, then written (even when the value is the same).
    void setPoUserKey(const QString& value);
    void setPoDeviceName(const QString& value);
    void setPoSessionSecret(const QString& value);
    void setPoDeviceUID(const QString& value);

    // Brings poIsRegistered in line with the secret and the device id; announces only a change.
    void updateRegistrationStatus();
    // Forgets the registration: clears the device id, then the session secret.
    void reset();

    // Whether the session secret is kept elsewhere (the keyring) and so left out of the file;
    // it stays in memory. Unset: it is stored.
    using SecretKeptElsewhere = std::function<bool(const QString& secret)>;
    void setSecretKeptElsewhere(SecretKeptElsewhere keptElsewhere);
    // Writes the session secret again, unannounced, or drops it from the file when it is kept
    // elsewhere.
    void rewritePoSessionSecret();

Q_SIGNALS:
    void poUserKeyChanged(const QString& poUserKey);
    void poDeviceNameChanged(const QString& poDeviceName);
    void poSessionSecretChanged(const QString& poSessionSecret);
    void poDeviceUIDChanged(const QString& poDeviceUID);
    void poIsRegisteredChanged(bool poIsRegistered);

private:
    Suite& m_defaults;
    QString m_poEmail;
    QString m_poPassword;
    QString m_poUserKey;
    QString m_poDeviceName;
    QString m_poSessionSecret;
    QString m_poDeviceUID;
    bool m_poIsRegistered = false;
    SecretKeptElsewhere m_secretKeptElsewhere;
};

} // namespace corvane
