#pragma once

#include "base/wire.h"
#include "botsettings.h"
#include "brokersettings.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>
#include <QUuid>

namespace corvane {

class Suite;

// The kind of trades an account shows; stored as its raw text.
enum class PaperLiveBoth { live, paper, both };

QString rawValue(PaperLiveBoth value);
// Any text other than "live", "paper" or "both" is both.
PaperLiveBoth paperLiveBothFrom(const QString& rawValue);

// One Orrisfield account as the user configured it. accountName is the account's identity and
// equals its key in the settings store's account map.
struct AccountSettings {
    QString apiKey;
    QString nickName;
    BotSettingsList bots;
    QUuid accountName;
    bool watchAccount = false;
    bool keyVerified = false;
    bool allBots = false;
    bool filterBrokers = false;
    QString paperLiveBoth;
    QList<BrokerSettings> brokerSettings;

    // Bot records compare by their values, not their identity.
    bool operator==(const AccountSettings& other) const;

    // A new account: nickname "OF", watched, not verified, live trades, a fresh identity.
    static AccountSettings newAccount();
};

// Writes all ten keys. Reading requires eight of them; "filterBrokers" (false) and
// "brokerSettings" (empty) may be absent, as in data written before they existed.
QJsonObject toJson(const AccountSettings& account);
AccountSettings accountSettingsFromJson(const QJsonValue& value, Suite& defaults);

// The account map, kept sorted by UUID so every view and pass sees one stable order.
using AccountMap = QMap<QUuid, AccountSettings>;

// Stored as one JSON array alternating the UUID text and the account object.
QByteArray encodeAccountMap(const AccountMap& accounts);
wire::Result<AccountMap> decodeAccountMap(const QByteArray& stored, Suite& defaults);

QByteArray encodeBots(const BotSettingsList& bots);
wire::Result<BotSettingsList> decodeBots(const QByteArray& stored, Suite& defaults);

// A row of the accounts table; not stored.
struct AccountRow {
    QUuid id;
    QString nickname;
    bool watchAccount = false;
    bool keyVerified = false;
    QString paperLiveBoth;

    bool operator==(const AccountRow&) const = default;
};

AccountRow accountRowFrom(const AccountSettings& account);

} // namespace corvane
