#include "botsettings.h"

#include "storedjson.h"
#include "suite.h"

#include <algorithm>

namespace corvane {

BotSettings::BotSettings(Suite& defaults)
    : m_defaults(&defaults)
{}

void BotSettings::setBotName(const QString& value)
{
    m_botName = value;
    Q_EMIT botNameChanged(value);
    m_defaults->setText(QStringLiteral("botName"), value);
}

void BotSettings::setBotNumber(const QString& value)
{
    m_botNumber = value;
    Q_EMIT botNumberChanged(value);
    m_defaults->setText(QStringLiteral("botNumber"), value);
}

void BotSettings::setBotStatus(const QString& value)
{
    m_botStatus = value;
    Q_EMIT botStatusChanged(value);
    m_defaults->setText(QStringLiteral("botStatus"), value);
}

void BotSettings::setBotIsPaper(bool value)
{
    m_botIsPaper = value;
    Q_EMIT botIsPaperChanged(value);
    m_defaults->setBoolean(QStringLiteral("botIsPaper"), value);
}

void BotSettings::setAlertOnOpen(bool value)
{
    m_alertOnOpen = value;
    Q_EMIT alertOnOpenChanged(value);
    m_defaults->setBoolean(QStringLiteral("alertOnOpen"), value);
}

void BotSettings::setAlertOnClose(bool value)
{
    m_alertOnClose = value;
    Q_EMIT alertOnCloseChanged(value);
    m_defaults->setBoolean(QStringLiteral("alertOnClose"), value);
}

bool BotSettings::sameValues(const BotSettings& other) const
{
    return m_botName == other.m_botName && m_botNumber == other.m_botNumber &&
           m_botStatus == other.m_botStatus && m_botIsPaper == other.m_botIsPaper &&
           m_alertOnOpen == other.m_alertOnOpen && m_alertOnClose == other.m_alertOnClose;
}

QJsonObject BotSettings::toJson() const
{
    return QJsonObject{{QStringLiteral("botName"), m_botName},
                       {QStringLiteral("botNumber"), m_botNumber},
                       {QStringLiteral("botStatus"), m_botStatus},
                       {QStringLiteral("botIsPaper"), m_botIsPaper},
                       {QStringLiteral("alertOnOpen"), m_alertOnOpen},
                       {QStringLiteral("alertOnClose"), m_alertOnClose}};
}

std::shared_ptr<BotSettings> BotSettings::fromJson(const QJsonValue& value, Suite& defaults)
{
    const QJsonObject object = stored::object(value);
    auto bot = std::make_shared<BotSettings>(defaults);
    bot->m_botName = stored::text(object, QStringLiteral("botName"));
    bot->m_botNumber = stored::text(object, QStringLiteral("botNumber"));
    bot->m_botStatus = stored::text(object, QStringLiteral("botStatus"));
    bot->m_botIsPaper = stored::boolean(object, QStringLiteral("botIsPaper"));
    bot->m_alertOnOpen = stored::boolean(object, QStringLiteral("alertOnOpen"));
    bot->m_alertOnClose = stored::boolean(object, QStringLiteral("alertOnClose"));
    return bot;
}

bool sameBots(const BotSettingsList& a, const BotSettingsList& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x == y || (x && y && x->sameValues(*y));
    });
}

} // namespace corvane
