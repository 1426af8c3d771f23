#pragma once

#include "accountsettings.h"
#include "botsettings.h"
#include "frequency.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>
#include <QVariant>
#include <functional>

namespace corvane {

class Suite;

// The panel behind the status item, for the label's text colours: automatic judges the tray,
// light and dark are the user's word for it.
enum class PanelShade { automatic, light, dark };
QString panelShadeName(PanelShade shade);
PanelShade panelShadeFrom(const QString& name); // unknown names: automatic

// The user's configuration: the accounts and the application-wide switches. Loaded once from
// the suite at construction; each assignment is announced and then, for the persisted fields,
// written under the field's own key. timezone, bots, allBots, paperLiveBoth and
// persistentNotifications are loaded but never written: changing them lasts until exit.
//
// A stored account map or frequency that cannot be read loads as the default, as a newer or
// foreign format would; its raw bytes are first copied once to "<key>.unreadable" so that the
// next write, which replaces the stored value, cannot destroy the user's accounts.
class CVNSettings final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CVNSettings)
    Q_PROPERTY(AccountMap accountSettings READ accountSettings WRITE setAccountSettings NOTIFY
                   accountSettingsChanged)
    Q_PROPERTY(bool watchRunning READ watchRunning WRITE setWatchRunning NOTIFY watchRunningChanged)
    Q_PROPERTY(bool runOnStartup READ runOnStartup WRITE setRunOnStartup NOTIFY runOnStartupChanged)
    Q_PROPERTY(QString rollUpTaskBarLabel READ rollUpTaskBarLabel WRITE setRollUpTaskBarLabel NOTIFY
                   rollUpTaskBarLabelChanged)
    Q_PROPERTY(QString timezone READ timezone WRITE setTimezone NOTIFY timezoneChanged)
    Q_PROPERTY(BotSettingsList bots READ bots WRITE setBots NOTIFY botsChanged)
    Q_PROPERTY(bool allBots READ allBots WRITE setAllBots NOTIFY allBotsChanged)
    Q_PROPERTY(bool rollUp READ rollUp WRITE setRollUp NOTIFY rollUpChanged)
    Q_PROPERTY(PaperLiveBoth paperLiveBoth READ paperLiveBoth WRITE setPaperLiveBoth NOTIFY
                   paperLiveBothChanged)
    Q_PROPERTY(FrequencySelection frequencySelection READ frequencySelection WRITE
                   setFrequencySelection NOTIFY frequencySelectionChanged)
    Q_PROPERTY(bool frequencyManual READ frequencyManual WRITE setFrequencyManual NOTIFY
                   frequencyManualChanged)
    Q_PROPERTY(bool enableNotifications READ enableNotifications WRITE setEnableNotifications NOTIFY
                   enableNotificationsChanged)
    Q_PROPERTY(PanelShade panelShade READ panelShade WRITE setPanelShade NOTIFY panelShadeChanged)
    Q_PROPERTY(bool persistentNotifications READ persistentNotifications WRITE
                   setPersistentNotifications NOTIFY persistentNotificationsChanged)
    Q_PROPERTY(QString secretsLocation READ secretsLocation NOTIFY secretsLocationChanged)

public:
    // The fields of an account reachable through accountValue / setAccountValue.
    enum class AccountField {
        apiKey,
        nickName,
        bots,
        accountName,
        watchAccount,
        keyVerified,
        allBots,
        filterBrokers,
        paperLiveBoth,
        brokerSettings,
    };

    explicit CVNSettings(Suite& defaults, QObject* parent = nullptr);

    // Where an unreadable stored value of key is kept.
    static QString unreadableKey(const QString& key);

    Suite& defaults() const { return m_defaults; }

    const AccountMap& accountSettings() const { return m_accountSettings; }
    bool watchRunning() const { return m_watchRunning; }
    bool runOnStartup() const { return m_runOnStartup; }
    QString rollUpTaskBarLabel() const { return m_rollUpTaskBarLabel; }
    QString timezone() const { return m_timezone; }
    const BotSettingsList& bots() const { return m_bots; }
    bool allBots() const { return m_allBots; }
    bool rollUp() const { return m_rollUp; }
    PaperLiveBoth paperLiveBoth() const { return m_paperLiveBoth; }
    FrequencySelection frequencySelection() const { return m_frequencySelection; }
    bool frequencyManual() const { return m_frequencyManual; }
    bool enableNotifications() const { return m_enableNotifications; }
    bool persistentNotifications() const { return m_persistentNotifications; }
    PanelShade panelShade() const { return m_panelShade; }

    void setAccountSettings(const AccountMap& accounts);
    void setWatchRunning(bool value);
    void setRunOnStartup(bool value);
    void setRollUpTaskBarLabel(const QString& value);
    void setTimezone(const QString& value);
    void setBots(const BotSettingsList& value);
    void setAllBots(bool value);
    void setRollUp(bool value);
    void setPaperLiveBoth(PaperLiveBoth value);
    void setFrequencySelection(const FrequencySelection& value);
    void setFrequencyManual(bool value);
    void setEnableNotifications(bool value);
    void setPersistentNotifications(bool value);
    void setPanelShade(PanelShade value);

    // Stores the account under its accountName (replacing one there) or drops it; either is an
    // assignment of the whole map.
    void setAccount(const AccountSettings& account);
    void removeAccount(const QUuid& accountId);

    int watchedAccountCount() const;
    int verifiedAccountCount() const;
    // Stores a new account with the new-account defaults and returns its id.
    QUuid addAccount();
    // One row per account, in the map's order (sorted by UUID).
    QList<AccountRow> makeAccountRows() const;

    // An unknown id reads as the field's empty value (text, false or no bots); the other
    // fields have none, and asking for them is a programming error that stops the program.
    QVariant accountValue(const QUuid& accountId, AccountField field) const;
    // Does nothing for an unknown id; otherwise updates the field and writes the map. A value
    // of the wrong type, and any change of accountName, is refused with a log line.
    void setAccountValue(const QUuid& accountId, AccountField field, const QVariant& value);

    // Whether an account's API key is kept elsewhere (the keyring) and so left out of the
    // stored map; the key stays in memory. Unset: every key is stored.
    using KeyKeptElsewhere = std::function<bool(const AccountSettings&)>;
    void setKeyKeptElsewhere(KeyKeptElsewhere keptElsewhere);
    // Writes the account map again, unannounced, once the keyring took or gave back a key.
    void rewriteAccountSettings();
    // Where the secrets are kept, in words for the general settings. Not stored.
    QString secretsLocation() const { return m_secretsLocation; }
    void setSecretsLocation(const QString& value);

Q_SIGNALS:
    void accountSettingsChanged();
    void watchRunningChanged(bool watchRunning);
    void runOnStartupChanged(bool runOnStartup);
    void rollUpTaskBarLabelChanged(const QString& rollUpTaskBarLabel);
    void timezoneChanged(const QString& timezone);
    void botsChanged();
    void allBotsChanged(bool allBots);
    void rollUpChanged(bool rollUp);
    void paperLiveBothChanged(corvane::PaperLiveBoth paperLiveBoth);
    void frequencySelectionChanged(const corvane::FrequencySelection& frequencySelection);
    void frequencyManualChanged(bool frequencyManual);
    void enableNotificationsChanged(bool enableNotifications);
    void persistentNotificationsChanged(bool persistentNotifications);
    void secretsLocationChanged(const QString& secretsLocation);
    void panelShadeChanged(corvane::PanelShade panelShade);

private:
    void load();
    void keepUnreadable(const QString& key, const QByteArray& stored, const QString& error);

    Suite& m_defaults;
    AccountMap m_accountSettings;
    bool m_watchRunning = true;
    bool m_runOnStartup = false;
    QString m_rollUpTaskBarLabel = QStringLiteral("OF");
    QString m_timezone;
    BotSettingsList m_bots;
    bool m_allBots = false;
    bool m_rollUp = false;
    PaperLiveBoth m_paperLiveBoth = PaperLiveBoth::both;
    FrequencySelection m_frequencySelection;
    bool m_frequencyManual = false;
    bool m_enableNotifications = false;
    bool m_persistentNotifications = false;
    KeyKeptElsewhere m_keyKeptElsewhere;
    QString m_secretsLocation;
    PanelShade m_panelShade = PanelShade::automatic;
};

} // namespace corvane
