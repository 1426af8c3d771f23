#pragma once

#include "httpmessage.h"

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QObject>

namespace corvane::fake {

// A message waiting on Pushover. Ids are above 2^53, as the real service's are, so a client
// that reads them through a double loses them.
struct PushoverMessage {
    qint64 id = 0;
    QString app = QStringLiteral("Orrisfield");
    QString aid = QStringLiteral("731904466205518390"); // the platform's application
    std::optional<QString> title;
    QString message;
    QString email; // only the devices of this account see it; empty: every account
};

// The Pushover HTTP API: "/1/users/login.json", "/1/devices.json", "/1/messages.json" and
// "/1/devices/<id>/update_highest_message.json". Accounts are added by the test; a login
// opens a session, a device belongs to the session's account, and a device sees the
// messages of its account whose id is above its acknowledged highest id.
class Pushover final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Pushover)

public:
    explicit Pushover(QObject* parent = nullptr);

    static bool handles(const QString& path);
    HttpResponse answer(const HttpRequest& request);

    // twoFactorCode empty: the account logs in without one.
    void addAccount(const QString& email, const QString& password,
                    const QString& twoFactorCode = {});
    // Returns the id given to the message.
    qint64 queueMessage(PushoverMessage message);

    // The socket asks whether "login:<device>:<secret>" is good.
    bool isValidLogin(const QString& deviceId, const QString& secret) const;
    // Whether the device has messages waiting.
    bool hasPending(const QString& deviceId) const;

Q_SIGNALS:
    void messageQueued(qint64 id);

private:
    struct Account {
        QString password;
        QString twoFactorCode;
        QString userKey;
    };
    struct Device {
        QString name;
        QString email;
        QString secret;
        qint64 highest = 0;
    };

    HttpResponse login(const HttpRequest& request);
    HttpResponse registerDevice(const HttpRequest& request);
    HttpResponse messages(const HttpRequest& request) const;
    HttpResponse updateHighest(const HttpRequest& request, const QString& deviceId);
    QList<PushoverMessage> pendingFor(const Device& device) const;

    QHash<QString, Account> accounts_; // by e-mail
    QHash<QString, QString> sessions_; // secret -> e-mail
    QHash<QString, Device> devices_;   // by device id
    QList<PushoverMessage> messages_;
    qint64 nextId_ = (qint64(1) << 53) + 1001;
};

} // namespace corvane::fake
