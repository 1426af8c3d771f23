// CVNSettings: field access to one account, for the editable controls of the accounts view.

#include "base/log.h"
#include "settings.h"

namespace corvane {

namespace {

QVariant readField(const AccountSettings& account, CVNSettings::AccountField field)
{
    using Field = CVNSettings::AccountField;
    switch (field) {
    case Field::apiKey:
        return account.apiKey;
    case Field::nickName:
        return account.nickName;
    case Field::bots:
        return QVariant::fromValue(account.bots);
    case Field::accountName:
        return account.accountName;
    case Field::watchAccount:
        return account.watchAccount;
    case Field::keyVerified:
        return account.keyVerified;
    case Field::allBots:
        return account.allBots;
    case Field::filterBrokers:
        return account.filterBrokers;
    case Field::paperLiveBoth:
        return account.paperLiveBoth;
    case Field::brokerSettings:
        return QVariant::fromValue(account.brokerSettings);
    }
    return {};
}

QVariant defaultValue(CVNSettings::AccountField field)
{
    using Field = CVNSettings::AccountField;
    switch (field) {
    case Field::apiKey:
    case Field::nickName:
    case Field::paperLiveBoth:
        return QString();
    case Field::watchAccount:
    case Field::keyVerified:
    case Field::allBots:
        return false;
    case Field::bots:
        return QVariant::fromValue(BotSettingsList());
    case Field::accountName:
    case Field::filterBrokers:
    case Field::brokerSettings:
        break;
    }
    qFatal("Unhandled default value for keyPath");
}

template <class T> bool assign(T& target, const QVariant& value)
{
    if (value.metaType() != QMetaType::fromType<T>())
        return false;
    target = value.value<T>();
    return true;
}

bool writeField(AccountSettings& account, CVNSettings::AccountField field, const QVariant& value)
{
    using Field = CVNSettings::AccountField;
    switch (field) {
    case Field::apiKey:
        return assign(account.apiKey, value);
    case Field::nickName:
        return assign(account.nickName, value);
    case Field::bots:
        return assign(account.bots, value);
    case Field::watchAccount:
        return assign(account.watchAccount, value);
    case Field::keyVerified:
        return assign(account.keyVerified, value);
    case Field::allBots:
        return assign(account.allBots, value);
    case Field::filterBrokers:
        return assign(account.filterBrokers, value);
    case Field::paperLiveBoth:
        return assign(account.paperLiveBoth, value);
    case Field::brokerSettings:
        return assign(account.brokerSettings, value);
    case Field::accountName:
        break; // the identity is also the map key
    }
    return false;
}

} // namespace

QVariant CVNSettings::accountValue(const QUuid& accountId, AccountField field) const
{
    const auto it = m_accountSettings.constFind(accountId);
    if (it == m_accountSettings.constEnd())
        return defaultValue(field);
    return readField(*it, field);
}

void CVNSettings::setAccountValue(const QUuid& accountId, AccountField field, const QVariant& value)
{
    const auto it = m_accountSettings.constFind(accountId);
    if (it == m_accountSettings.constEnd())
        return;
    AccountSettings account = *it;
    if (!writeField(account, field, value)) {
        logLine(QStringLiteral("setAccountValue refused a %1 value for account field %2.")
                    .arg(QString::fromLatin1(value.typeName()))
                    .arg(static_cast<int>(field)));
        return;
    }
    setAccount(account);
}

} // namespace corvane
