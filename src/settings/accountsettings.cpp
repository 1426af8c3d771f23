#include "accountsettings.h"

#include "storedjson.h"

namespace corvane {

QString rawValue(PaperLiveBoth value)
{
    switch (value) {
    case PaperLiveBoth::live:
        return QStringLiteral("live");
    case PaperLiveBoth::paper:
        return QStringLiteral("paper");
    case PaperLiveBoth::both:
        break;
    }
    return QStringLiteral("both");
}

PaperLiveBoth paperLiveBothFrom(const QString& rawValue)
{
    if (rawValue == QStringLiteral("live"))
        return PaperLiveBoth::live;
    if (rawValue == QStringLiteral("paper"))
        return PaperLiveBoth::paper;
    return PaperLiveBoth::both;
}

bool AccountSettings::operator==(const AccountSettings& other) const
{
    return apiKey == other.apiKey && nickName == other.nickName && sameBots(bots, other.bots) &&
           accountName == other.accountName && watchAccount == other.watchAccount &&
           keyVerified == other.keyVerified && allBots == other.allBots &&
           filterBrokers == other.filterBrokers && paperLiveBoth == other.paperLiveBoth &&
           brokerSettings == other.brokerSettings;
}

AccountSettings AccountSettings::newAccount()
{
    AccountSettings account;
    account.nickName = QStringLiteral("OF");
    account.accountName = QUuid::createUuid();
    account.watchAccount = true;
    account.keyVerified = false;
    account.allBots = true;
    account.filterBrokers = true;
    account.paperLiveBoth = rawValue(PaperLiveBoth::live);
    return account;
}

namespace {

QJsonArray botsToJson(const BotSettingsList& bots)
{
    QJsonArray array;
    for (const auto& bot : bots) {
        if (bot)
            array.append(bot->toJson());
    }
    return array;
}

BotSettingsList botsFromJson(const QJsonArray& array, Suite& defaults)
{
    return stored::list(array,
                        [&](const QJsonValue& v) { return BotSettings::fromJson(v, defaults); });
}

} // namespace

QJsonObject toJson(const AccountSettings& account)
{
    QJsonArray brokers;
    for (const BrokerSettings& broker : account.brokerSettings)
        brokers.append(toJson(broker));
    return QJsonObject{{QStringLiteral("apiKey"), account.apiKey},
                       {QStringLiteral("nickName"), account.nickName},
                       {QStringLiteral("bots"), botsToJson(account.bots)},
                       {QStringLiteral("accountName"), stored::uuidText(account.accountName)},
                       {QStringLiteral("watchAccount"), account.watchAccount},
                       {QStringLiteral("keyVerified"), account.keyVerified},
                       {QStringLiteral("allBots"), account.allBots},
                       {QStringLiteral("filterBrokers"), account.filterBrokers},
                       {QStringLiteral("paperLiveBoth"), account.paperLiveBoth},
                       {QStringLiteral("brokerSettings"), brokers}};
}

AccountSettings accountSettingsFromJson(const QJsonValue& value, Suite& defaults)
{
    const QJsonObject object = stored::object(value);
    AccountSettings account;
    account.apiKey = stored::text(object, QStringLiteral("apiKey"));
    account.nickName = stored::text(object, QStringLiteral("nickName"));
    const QString botsKey = QStringLiteral("bots");
    account.bots = stored::underKey(
        botsKey, [&] { return botsFromJson(stored::array(object, botsKey), defaults); });
    account.accountName = stored::uuid(object, QStringLiteral("accountName"));
    account.watchAccount = stored::boolean(object, QStringLiteral("watchAccount"));
    account.keyVerified = stored::boolean(object, QStringLiteral("keyVerified"));
    account.allBots = stored::boolean(object, QStringLiteral("allBots"));
    account.paperLiveBoth = stored::text(object, QStringLiteral("paperLiveBoth"));
    account.filterBrokers =
        stored::optBoolean(object, QStringLiteral("filterBrokers")).value_or(false);
    const QString brokersKey = QStringLiteral("brokerSettings");
    if (const auto brokers = stored::optArray(object, brokersKey))
        account.brokerSettings = stored::underKey(
            brokersKey, [&] { return stored::list(*brokers, brokerSettingsFromJson); });
    return account;
}

QByteArray encodeAccountMap(const AccountMap& accounts)
{
    QJsonArray array;
    for (auto it = accounts.constBegin(); it != accounts.constEnd(); ++it) {
        array.append(stored::uuidText(it.key()));
        array.append(toJson(it.value()));
    }
    return stored::serialise(array);
}

wire::Result<AccountMap> decodeAccountMap(const QByteArray& stored, Suite& defaults)
{
    return stored::decode(stored, [&](const QJsonValue& root) {
        const QJsonArray array = stored::array(root);
        if (array.size() % 2 != 0)
            wire::fail(QStringLiteral("the account map has a key without a value"));
        AccountMap accounts;
        for (qsizetype i = 0; i < array.size(); i += 2) {
            qsizetype at = i;
            try {
                const QUuid key = stored::uuid(array.at(at));
                ++at;
                accounts.insert(key, accountSettingsFromJson(array.at(at), defaults));
            } catch (wire::DecodeError& e) {
                e.prefixIndex(static_cast<size_t>(at));
                throw;
            }
        }
        return accounts;
    });
}

QByteArray encodeBots(const BotSettingsList& bots)
{
    return stored::serialise(botsToJson(bots));
}

wire::Result<BotSettingsList> decodeBots(const QByteArray& stored, Suite& defaults)
{
    return stored::decode(stored, [&](const QJsonValue& root) {
        return botsFromJson(stored::array(root), defaults);
    });
}

AccountRow accountRowFrom(const AccountSettings& account)
{
    return AccountRow{account.accountName, account.nickName, account.watchAccount,
                      account.keyVerified, account.paperLiveBoth};
}

} // namespace corvane
