#include "settings.h"

#include "base/log.h"
#include "suite.h"

namespace corvane {

namespace {
const QString accountSettingsKey = QStringLiteral("accountSettings");
const QString watchRunningKey = QStringLiteral("watchRunning");
const QString runOnStartupKey = QStringLiteral("runOnStartup");
const QString rollUpTaskBarLabelKey = QStringLiteral("rollUpTaskBarLabel");
const QString timezoneKey = QStringLiteral("timezone");
const QString botsKey = QStringLiteral("bots");
const QString allBotsKey = QStringLiteral("allBots");
const QString rollUpKey = QStringLiteral("rollUp");
const QString paperLiveBothKey = QStringLiteral("paperLiveBoth");
const QString frequencySelectionKey = QStringLiteral("frequencySelection");
const QString frequencyManualKey = QStringLiteral("frequencyManual");
const QString enableNotificationsKey = QStringLiteral("enableNotifications");
const QString persistentNotificationsKey = QStringLiteral("persistentNotifications");
const QString panelShadeKey = QStringLiteral("panelShade");
} // namespace

QString panelShadeName(PanelShade shade)
{
    switch (shade) {
    case PanelShade::light:
        return QStringLiteral("light");
    case PanelShade::dark:
        return QStringLiteral("dark");
    case PanelShade::automatic:
        break;
    }
    return QStringLiteral("automatic");
}

PanelShade panelShadeFrom(const QString& name)
{
    for (PanelShade shade : {PanelShade::light, PanelShade::dark}) {
        if (name == panelShadeName(shade))
            return shade;
    }
    return PanelShade::automatic;
}

CVNSettings::CVNSettings(Suite& defaults, QObject* parent)
    : QObject(parent)
    , m_defaults(defaults)
{
    load();
}

QString CVNSettings::unreadableKey(const QString& key)
{
    return key + QStringLiteral(".unreadable");
}

void CVNSettings::load()
{
    m_watchRunning = m_defaults.boolean(watchRunningKey, true);
    m_runOnStartup = m_defaults.boolean(runOnStartupKey);
    m_rollUpTaskBarLabel = m_defaults.text(rollUpTaskBarLabelKey, QStringLiteral("OF"));
    m_timezone = m_defaults.text(timezoneKey);
    m_allBots = m_defaults.boolean(allBotsKey);
    m_rollUp = m_defaults.boolean(rollUpKey);
    m_enableNotifications = m_defaults.boolean(enableNotificationsKey);
    m_persistentNotifications = m_defaults.boolean(persistentNotificationsKey);
    m_paperLiveBoth = paperLiveBothFrom(m_defaults.text(paperLiveBothKey));
    m_frequencyManual = m_defaults.boolean(frequencyManualKey);
    m_panelShade = panelShadeFrom(m_defaults.text(panelShadeKey));

    if (m_defaults.contains(frequencySelectionKey)) {
        const QByteArray stored = m_defaults.data(frequencySelectionKey);
        auto frequency = decodeFrequencySelection(stored);
        if (frequency.ok())
            m_frequencySelection = frequency.value();
        else
            keepUnreadable(frequencySelectionKey, stored, frequency.error());
    }

    if (m_defaults.contains(botsKey)) {
        auto bots = decodeBots(m_defaults.data(botsKey), m_defaults);
        if (bots.ok())
            m_bots = std::move(bots).value();
    }

    if (m_defaults.contains(accountSettingsKey)) {
        const QByteArray stored = m_defaults.data(accountSettingsKey);
        auto accounts = decodeAccountMap(stored, m_defaults);
        if (accounts.ok())
            m_accountSettings = std::move(accounts).value();
        else
            keepUnreadable(accountSettingsKey, stored, accounts.error());
    }
}

void CVNSettings::keepUnreadable(const QString& key, const QByteArray& stored, const QString& error)
{
    const QString backup = unreadableKey(key);
    if (m_defaults.contains(backup))
        return;
    m_defaults.setData(backup, stored);
    logLine(QStringLiteral("The stored %1 could not be read (%2); its data is kept under %3.")
                .arg(key, error, backup));
}

void CVNSettings::setAccountSettings(const AccountMap& accounts)
{
    m_accountSettings = accounts;
    Q_EMIT accountSettingsChanged();
    rewriteAccountSettings();
}

void CVNSettings::setKeyKeptElsewhere(KeyKeptElsewhere keptElsewhere)
{
    m_keyKeptElsewhere = std::move(keptElsewhere);
}

void CVNSettings::rewriteAccountSettings()
{
    AccountMap stored = m_accountSettings;
    if (m_keyKeptElsewhere)
        for (AccountSettings& account : stored)
            if (m_keyKeptElsewhere(account))
                account.apiKey.clear();
    m_defaults.setData(accountSettingsKey, encodeAccountMap(stored));
}

void CVNSettings::setSecretsLocation(const QString& value)
{
    if (value == m_secretsLocation)
        return;
    m_secretsLocation = value;
    Q_EMIT secretsLocationChanged(value);
}

void CVNSettings::setWatchRunning(bool value)
{
    m_watchRunning = value;
    Q_EMIT watchRunningChanged(value);
    m_defaults.setBoolean(watchRunningKey, value);
}

void CVNSettings::setRunOnStartup(bool value)
{
    m_runOnStartup = value;
    Q_EMIT runOnStartupChanged(value);
    m_defaults.setBoolean(runOnStartupKey, value);
}

void CVNSettings::setRollUpTaskBarLabel(const QString& value)
{
    m_rollUpTaskBarLabel = value;
    Q_EMIT rollUpTaskBarLabelChanged(value);
    m_defaults.setText(rollUpTaskBarLabelKey, value);
}

void CVNSettings::setTimezone(const QString& value)
{
    m_timezone = value;
    Q_EMIT timezoneChanged(value);
}

void CVNSettings::setBots(const BotSettingsList& value)
{
    m_bots = value;
    Q_EMIT botsChanged();
}

void CVNSettings::setAllBots(bool value)
{
    m_allBots = value;
    Q_EMIT allBotsChanged(value);
}

void CVNSettings::setRollUp(bool value)
{
    m_rollUp = value;
    Q_EMIT rollUpChanged(value);
    m_defaults.setBoolean(rollUpKey, value);
}

void CVNSettings::setPaperLiveBoth(PaperLiveBoth value)
{
    m_paperLiveBoth = value;
    Q_EMIT paperLiveBothChanged(value);
}

void CVNSettings::setFrequencySelection(const FrequencySelection& value)
{
    m_frequencySelection = value;
    Q_EMIT frequencySelectionChanged(value);
    m_defaults.setData(frequencySelectionKey, encodeFrequencySelection(value));
}

void CVNSettings::setFrequencyManual(bool value)
{
    m_frequencyManual = value;
    Q_EMIT frequencyManualChanged(value);
    m_defaults.setBoolean(frequencyManualKey, value);
}

void CVNSettings::setPanelShade(PanelShade value)
{
    m_panelShade = value;
    Q_EMIT panelShadeChanged(value);
    m_defaults.setText(panelShadeKey, panelShadeName(value));
}

void CVNSettings::setEnableNotifications(bool value)
{
    m_enableNotifications = value;
    Q_EMIT enableNotificationsChanged(value);
    m_defaults.setBoolean(enableNotificationsKey, value);
}

void CVNSettings::setPersistentNotifications(bool value)
{
    m_persistentNotifications = value;
    Q_EMIT persistentNotificationsChanged(value);
}

void CVNSettings::setAccount(const AccountSettings& account)
{
    AccountMap accounts = m_accountSettings;
    accounts.insert(account.accountName, account);
    setAccountSettings(accounts);
}

void CVNSettings::removeAccount(const QUuid& accountId)
{
    AccountMap accounts = m_accountSettings;
    accounts.remove(accountId);
    setAccountSettings(accounts);
}

int CVNSettings::watchedAccountCount() const
{
    return static_cast<int>(std::count_if(m_accountSettings.cbegin(), m_accountSettings.cend(),
                                          [](const auto& a) { return a.watchAccount; }));
}

int CVNSettings::verifiedAccountCount() const
{
    return static_cast<int>(std::count_if(m_accountSettings.cbegin(), m_accountSettings.cend(),
                                          [](const auto& a) { return a.keyVerified; }));
}

QUuid CVNSettings::addAccount()
{
    const AccountSettings account = AccountSettings::newAccount();
    setAccount(account);
    return account.accountName;
}

QList<AccountRow> CVNSettings::makeAccountRows() const
{
    QList<AccountRow> rows;
    rows.reserve(m_accountSettings.size());
    for (const AccountSettings& account : m_accountSettings)
        rows.append(accountRowFrom(account));
    return rows;
}

} // namespace corvane
