#pragma once

#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QString>
#include <memory>

namespace corvane {

class Suite;

// A per-bot alert record kept from an earlier version of the program. It is only ever
// decoded from stored data and carried through load and save. Every assignment writes the
// new value to the suite under a flat key equal to the field name, shared by all records.
class BotSettings final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BotSettings)
    Q_PROPERTY(QString botName READ botName WRITE setBotName NOTIFY botNameChanged)
    Q_PROPERTY(QString botNumber READ botNumber WRITE setBotNumber NOTIFY botNumberChanged)
    Q_PROPERTY(QString botStatus READ botStatus WRITE setBotStatus NOTIFY botStatusChanged)
    Q_PROPERTY(bool botIsPaper READ botIsPaper WRITE setBotIsPaper NOTIFY botIsPaperChanged)
    Q_PROPERTY(bool alertOnOpen READ alertOnOpen WRITE setAlertOnOpen NOTIFY alertOnOpenChanged)
    Q_PROPERTY(bool alertOnClose READ alertOnClose WRITE setAlertOnClose NOTIFY alertOnCloseChanged)

public:
    explicit BotSettings(Suite& defaults);

    Suite& defaults() const { return *m_defaults; }

    QString botName() const { return m_botName; }
    QString botNumber() const { return m_botNumber; }
    QString botStatus() const { return m_botStatus; }
    bool botIsPaper() const { return m_botIsPaper; }
    bool alertOnOpen() const { return m_alertOnOpen; }
    bool alertOnClose() const { return m_alertOnClose; }

    void setBotName(const QString& value);
    void setBotNumber(const QString& value);
    void setBotStatus(const QString& value);
    void setBotIsPaper(bool value);
    void setAlertOnOpen(bool value);
    void setAlertOnClose(bool value);

    bool sameValues(const BotSettings& other) const;

    QJsonObject toJson() const;
    // All six keys are required. Reading binds the record to defaults without writing.
    static std::shared_ptr<BotSettings> fromJson(const QJsonValue& value, Suite& defaults);

Q_SIGNALS:
    void botNameChanged(const QString& botName);
    void botNumberChanged(const QString& botNumber);
    void botStatusChanged(const QString& botStatus);
    void botIsPaperChanged(bool botIsPaper);
    void alertOnOpenChanged(bool alertOnOpen);
    void alertOnCloseChanged(bool alertOnClose);

private:
    Suite* m_defaults;
    QString m_botName;
    QString m_botNumber;
    QString m_botStatus;
    bool m_botIsPaper = false;
    bool m_alertOnOpen = false;
    bool m_alertOnClose = false;
};

// Records are shared between the copies of the account that holds them.
using BotSettingsList = QList<std::shared_ptr<BotSettings>>;

// Equal when both lists hold records with the same values in the same order.
bool sameBots(const BotSettingsList& a, const BotSettingsList& b);

} // namespace corvane
