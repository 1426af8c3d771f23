#include "pushover.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QUuid>

namespace corvane::fake {

namespace {

const QString loginPath = QStringLiteral("/1/users/login.json");
const QString devicesPath = QStringLiteral("/1/devices.json");
const QString messagesPath = QStringLiteral("/1/messages.json");
const QString devicePrefix = QStringLiteral("/1/devices/");
const QString highestSuffix = QStringLiteral("/update_highest_message.json");

// Pushover's ids and keys: 30 letters and digits.
QString token()
{
    static const char alphabet[] = "abcdefghijkmnopqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789";
    QString text;
    for (int i = 0; i < 30; ++i)
        text += QChar::fromLatin1(alphabet[QRandomGenerator::global()->bounded(57)]);
    return text;
}

HttpResponse reply(int status, QJsonObject body)
{
    body.insert(QStringLiteral("status"), status == 200 ? 1 : 0);
    body.insert(QStringLiteral("request"), QUuid::createUuid().toString(QUuid::WithoutBraces));
    return {status, QJsonDocument(body).toJson(QJsonDocument::Compact)};
}

HttpResponse failure(int status, const QJsonValue& errors)
{
    return reply(status, {{QStringLiteral("errors"), errors}});
}

HttpResponse failure(int status, const QString& error)
{
    return failure(status, QJsonArray{error});
}

QString field(const Pairs& pairs, const char* name)
{
    return valueOf(pairs, QString::fromLatin1(name)).value_or(QString());
}

QJsonObject toJson(const PushoverMessage& m)
{
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    QJsonObject o{
        {QStringLiteral("id"), m.id},
        {QStringLiteral("id_str"), QString::number(m.id)},
        {QStringLiteral("umid"), m.id + 7},
        {QStringLiteral("umid_str"), QString::number(m.id + 7)},
        {QStringLiteral("message"), m.message},
        {QStringLiteral("app"), m.app},
        {QStringLiteral("aid"), m.aid.toLongLong()},
        {QStringLiteral("aid_str"), m.aid},
        {QStringLiteral("icon"), QStringLiteral("ov1x7fw5t1ap0o7v2l3y1mjkhyyqbp")},
        {QStringLiteral("date"), now},
        {QStringLiteral("queued_date"), now},
        {QStringLiteral("dispatched_date"), now},
        {QStringLiteral("priority"), 0},
        {QStringLiteral("acked"), 0},
        {QStringLiteral("html"), 0},
    };
    if (m.title)
        o.insert(QStringLiteral("title"), *m.title);
    return o;
}

} // namespace

Pushover::Pushover(QObject* parent)
    : QObject(parent)
{}

bool Pushover::handles(const QString& path)
{
    return path == loginPath || path == devicesPath || path == messagesPath ||
           (path.startsWith(devicePrefix) && path.endsWith(highestSuffix));
}

HttpResponse Pushover::answer(const HttpRequest& request)
{
    const bool post = request.method == "POST";
    if (request.path == loginPath && post)
        return login(request);
    if (request.path == devicesPath && post)
        return registerDevice(request);
    if (request.path == messagesPath && request.method == "GET")
        return messages(request);
    if (request.path.startsWith(devicePrefix) && post) {
        const QString id = request.path.mid(devicePrefix.size()).chopped(highestSuffix.size());
        return updateHighest(request, id);
    }
    return failure(404, QStringLiteral("not found"));
}

void Pushover::addAccount(const QString& email, const QString& password,
                          const QString& twoFactorCode)
{
    accounts_.insert(email, {password, twoFactorCode, token()});
}

qint64 Pushover::queueMessage(PushoverMessage message)
{
    message.id = nextId_;
    nextId_ += 1 + QRandomGenerator::global()->bounded(5);
    messages_.append(message);
    Q_EMIT messageQueued(message.id);
    return message.id;
}

bool Pushover::isValidLogin(const QString& deviceId, const QString& secret) const
{
    const auto found = devices_.constFind(deviceId);
    return found != devices_.cend() && !secret.isEmpty() && found->secret == secret &&
           sessions_.contains(secret);
}

bool Pushover::hasPending(const QString& deviceId) const
{
    const auto found = devices_.constFind(deviceId);
    return found != devices_.cend() && !pendingFor(*found).isEmpty();
}

HttpResponse Pushover::login(const HttpRequest& request)
{
    const QString email = field(request.form, "email");
    const auto account = accounts_.constFind(email);
    if (account == accounts_.cend() || account->password != field(request.form, "password"))
        return failure(400, QStringLiteral("invalid email and/or password"));
    if (!account->twoFactorCode.isEmpty() && field(request.form, "twofa") != account->twoFactorCode)
        return failure(412, QStringLiteral("two-factor authentication required"));
    const QString secret = token() + token();
    sessions_.insert(secret, email);
    return reply(200,
                 {{QStringLiteral("id"), account->userKey}, {QStringLiteral("secret"), secret}});
}

HttpResponse Pushover::registerDevice(const HttpRequest& request)
{
    const QString secret = field(request.form, "secret");
    const QString name = field(request.form, "name");
    if (!sessions_.contains(secret))
        return failure(
            400, QJsonObject{{QStringLiteral("secret"), QJsonArray{QStringLiteral("is invalid")}}});
    static const QRegularExpression validName(QStringLiteral("^[A-Za-z0-9_-]{1,25}$"));
    if (!validName.match(name).hasMatch())
        return failure(
            400, QJsonObject{{QStringLiteral("name"), QJsonArray{QStringLiteral("is invalid")}}});
    if (field(request.form, "os") != QStringLiteral("O"))
        return failure(
            400, QJsonObject{{QStringLiteral("os"), QJsonArray{QStringLiteral("is invalid")}}});
    const QString email = sessions_.value(secret);
    for (const Device& device : std::as_const(devices_)) {
        if (device.email == email && device.name == name)
            return failure(400,
                           QJsonObject{{QStringLiteral("name"),
                                        QJsonArray{QStringLiteral("has already been taken")}}});
    }
    const QString id = token();
    devices_.insert(id, {name, email, secret, 0});
    return reply(200, {{QStringLiteral("id"), id}});
}

QList<PushoverMessage> Pushover::pendingFor(const Device& device) const
{
    QList<PushoverMessage> pending;
    for (const PushoverMessage& m : messages_) {
        if (m.id > device.highest && (m.email.isEmpty() || m.email == device.email))
            pending.append(m);
    }
    return pending;
}

HttpResponse Pushover::messages(const HttpRequest& request) const
{
    const auto device = devices_.constFind(field(request.query, "device_id"));
    if (device == devices_.cend() || device->secret != field(request.query, "secret"))
        return failure(400, QStringLiteral("secret or device_id is invalid"));
    QJsonArray list;
    for (const PushoverMessage& m : pendingFor(*device))
        list.append(toJson(m));
    return reply(200, {
                          {QStringLiteral("messages"), list},
                          {QStringLiteral("user"),
                           QJsonObject{{QStringLiteral("quiet_mode"), false},
                                       {QStringLiteral("is_android_licensed"), false},
                                       {QStringLiteral("is_ios_licensed"), false},
                                       {QStringLiteral("is_desktop_licensed"), true},
                                       {QStringLiteral("email"), device->email}}},
                          {QStringLiteral("device"),
                           QJsonObject{{QStringLiteral("name"), device->name},
                                       {QStringLiteral("encryption_enabled"), false},
                                       {QStringLiteral("default_sound"), QStringLiteral("po")},
                                       {QStringLiteral("always_use_default_sound"), false}}},
                      });
}

HttpResponse Pushover::updateHighest(const HttpRequest& request, const QString& deviceId)
{
    const auto device = devices_.find(deviceId);
    if (device == devices_.end() || device->secret != field(request.form, "secret"))
        return failure(400, QStringLiteral("secret or device is invalid"));
    bool ok = false;
    const qint64 highest = field(request.form, "message").toLongLong(&ok);
    if (!ok)
        return failure(400, QJsonObject{{QStringLiteral("message"),
                                         QJsonArray{QStringLiteral("is invalid")}}});
    device->highest = std::max(device->highest, highest);
    return reply(200, {});
}

} // namespace corvane::fake
