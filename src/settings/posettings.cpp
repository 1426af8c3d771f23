#include "posettings.h"

#include "suite.h"

namespace corvane {

namespace {
const QString poEmailKey = QStringLiteral("poEmail");
const QString poPasswordKey = QStringLiteral("poPassword");
const QString poUserKeyKey = QStringLiteral("poUserKey");
const QString poDeviceNameKey = QStringLiteral("poDeviceName");
const QString poSessionSecretKey = QStringLiteral("poSessionSecret");
const QString poDeviceUIDKey = QStringLiteral("poDeviceUID");
} // namespace

POSettings::POSettings(Suite& defaults, QObject* parent)
    : QObject(parent)
    , m_defaults(defaults)
{
    m_poEmail = m_defaults.text(poEmailKey);
    m_poPassword = m_defaults.text(poPasswordKey);
    m_poUserKey = m_defaults.text(poUserKeyKey);
    m_poDeviceName = m_defaults.text(poDeviceNameKey);
    m_poSessionSecret = m_defaults.text(poSessionSecretKey);
    m_poDeviceUID = m_defaults.text(poDeviceUIDKey);
    updateRegistrationStatus();
}

void POSettings::setPoUserKey(const QString& value)
{
    m_poUserKey = value;
    Q_EMIT poUserKeyChanged(value);
    m_defaults.setText(poUserKeyKey, value);
}

void POSettings::setPoDeviceName(const QString& value)
{
    m_poDeviceName = value;
    Q_EMIT poDeviceNameChanged(value);
    m_defaults.setText(poDeviceNameKey, value);
}

void POSettings::setPoSessionSecret(const QString& value)
{
    m_poSessionSecret = value;
    Q_EMIT poSessionSecretChanged(value);
    rewritePoSessionSecret();
    updateRegistrationStatus();
}

void POSettings::setSecretKeptElsewhere(SecretKeptElsewhere keptElsewhere)
{
    m_secretKeptElsewhere = std::move(keptElsewhere);
}

void POSettings::rewritePoSessionSecret()
{
    if (m_secretKeptElsewhere && m_secretKeptElsewhere(m_poSessionSecret))
        m_defaults.remove(poSessionSecretKey);
    else
        m_defaults.setText(poSessionSecretKey, m_poSessionSecret);
}

void POSettings::setPoDeviceUID(const QString& value)
{
    m_poDeviceUID = value;
    Q_EMIT poDeviceUIDChanged(value);
    m_defaults.setText(poDeviceUIDKey, value);
    updateRegistrationStatus();
}

void POSettings::updateRegistrationStatus()
{
    const bool registered = !m_poSessionSecret.isEmpty() && !m_poDeviceUID.isEmpty();
    if (registered == m_poIsRegistered)
        return;
    m_poIsRegistered = registered;
    Q_EMIT poIsRegisteredChanged(registered);
}

void POSettings::reset()
{
    setPoDeviceUID(QString());
    setPoSessionSecret(QString());
}

} // namespace corvane
