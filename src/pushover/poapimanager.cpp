#include "poapimanager.h"

#include "base/endpoints.h"
#include "base/log.h"
#include "settings/posettings.h"

#include <QCoro/QCoroNetworkReply>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <memory>

namespace corvane {

namespace {

using Kind = PushoverError::Kind;

QByteArray encoded(const QString& value)
{
    // Qt's default leaves exactly the unreserved set (letters, digits, - . _ ~) as it is and
    // writes every other UTF-8 byte as %XX with upper-case digits.
    return value.toUtf8().toPercentEncoding();
}

// Pushover's answers are usually a few kilobytes, but a download carries the whole backlog, so
// the limit is that of the platform's answers; only a runaway body is cut off.
constexpr qint64 maxBodyBytes = 32 * 1024 * 1024;
const char* const tooLargeProperty = "corvaneTooLarge";

// The network's own text, without the query: Qt quotes the whole URL in some of its texts,
// and the download's query holds the session secret.
QString transportText(QNetworkReply* reply)
{
    if (reply->property(tooLargeProperty).toBool())
        return POApiManager::tooLargeText();
    // Nothing else here aborts a reply: a cancelled one is the transfer time-out's doing, and
    // "Operation canceled" would tell the user nothing.
    if (reply->error() == QNetworkReply::OperationCanceledError ||
        reply->error() == QNetworkReply::TimeoutError)
        return QStringLiteral("The request to Pushover timed out");
    QString text = reply->errorString();
    const QUrl url = reply->url();
    const QString bare = url.adjusted(QUrl::RemoveQuery).toString();
    text.replace(url.toString(QUrl::FullyEncoded), bare);
    text.replace(url.toString(), bare);
    return text;
}

// Aborts the reply once its body passes the limit. Qt throttles downloadProgress, so a fast
// transfer can finish without a signal past the limit: the declared length and every arrival
// are checked instead.
void capBody(QNetworkReply* reply)
{
    const auto refuseIf = [reply](bool over) {
        if (over && !reply->property(tooLargeProperty).toBool()) {
            reply->setProperty(tooLargeProperty, true);
            reply->abort();
        }
    };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, refuseIf] {
        refuseIf(reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > maxBodyBytes);
    });
    QObject::connect(reply, &QNetworkReply::readyRead, reply,
                     [reply, refuseIf] { refuseIf(reply->bytesAvailable() > maxBodyBytes); });
}

QNetworkRequest pushoverRequest(const QUrl& url, std::chrono::milliseconds timeout)
{
    installExtraCertificateAuthorities();
    QNetworkRequest request(url);
    request.setTransferTimeout(int(timeout.count()));
    // Logins carry the password and every other call the session secret: neither may follow a
    // redirect to another host.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::SameOriginRedirectPolicy);
    return request;
}

// The reply ends with the manager that waits for it. QPointer guards are cleared before
// destroyed() is emitted, so the awaiting coroutine resumes seeing its manager gone, finishes,
// and frees its frame and the reply instead of waiting forever on a request nobody reads.
void abortWith(QObject* owner, QNetworkReply* reply)
{
    QObject::connect(owner, &QObject::destroyed, reply, &QNetworkReply::abort);
}

struct ReplyDeleter {
    void operator()(QNetworkReply* reply) const { reply->deleteLater(); }
};
using ReplyPtr = std::unique_ptr<QNetworkReply, ReplyDeleter>;

const QString loginText = QStringLiteral("Pushover server did not respond.");
const QString registrationText = QStringLiteral("Pushover server did not respond (registration).");
const QString downloadText = QStringLiteral("Pushover server did not respond (downloading).");
const QString deleteText = QStringLiteral("Pushover server did not respond (deleting).");

} // namespace

POApiManager::POApiManager(QNetworkAccessManager& network, POSettings& settings, QUrl apiUrl,
                           QObject* parent)
    : QObject(parent)
    , m_network(network)
    , m_settings(settings)
    , m_apiUrl(std::move(apiUrl))
{}

POApiManager::~POApiManager() = default;

void POApiManager::setStatusMessage(const QString& text)
{
    m_statusMessage = text;
    Q_EMIT statusMessageChanged();
}

void POApiManager::setErrorMessage(const QString& text)
{
    m_errorMessage = text;
    Q_EMIT errorMessageChanged();
}

void POApiManager::setLoading(bool loading)
{
    m_isLoading = loading;
    Q_EMIT isLoadingChanged();
}

void POApiManager::setRequires2FA(bool required)
{
    m_requires2FA = required;
    Q_EMIT requires2FAChanged();
}

QString POApiManager::tooLargeText()
{
    return QStringLiteral("The answer of the Pushover service is too large (over %1 MiB)")
        .arg(maxBodyBytes / (1024 * 1024));
}

QByteArray POApiManager::formBody(const QList<std::pair<QString, QString>>& fields)
{
    QByteArray body;
    for (const auto& [name, value] : fields) {
        if (!body.isEmpty())
            body += '&';
        body += name.toUtf8() + '=' + encoded(value);
    }
    return body;
}

QUrl POApiManager::apiUrl(const QString& path) const
{
    QUrl url = m_apiUrl;
    url.setPath(url.path() + path);
    return url;
}

PoOutcome<poLoginApiResponse> POApiManager::judge(QNetworkReply* reply, const QString& failureText)
{
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) {
        if (reply->error() != QNetworkReply::NoError)
            return PushoverError::withText(Kind::transport, transportText(reply));
        setErrorMessage(failureText);
        return PushoverError::of(Kind::badServerResponse);
    }
    const int code = status.toInt();
    if (code == 200) {
        // A transfer cut off after the headers is a network failure, not an answer.
        if (reply->error() != QNetworkReply::NoError)
            return PushoverError::withText(Kind::transport, transportText(reply));
        auto decoded = decodePoLoginApiResponse(reply->readAll());
        if (!decoded.ok())
            return PushoverError::withText(
                Kind::decoding, PushoverError::of(Kind::decoding).description +
                                    QStringLiteral(" (") + decoded.error() + QStringLiteral(")"));
        return std::move(decoded).value();
    }
    if (code == 412)
        return PushoverError::of(Kind::twoFactorRequired);
    setErrorMessage(failureText);
    return PushoverError::withText(Kind::badServerResponse,
                                   PushoverError::of(Kind::badServerResponse).description +
                                       QStringLiteral(" (HTTP %1)").arg(code));
}

QCoro::Task<PoOutcome<poLoginApiResponse>> POApiManager::post(QUrl url, QByteArray body,
                                                              QString failureText)
{
    QNetworkRequest request = pushoverRequest(url, m_requestTimeout);
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArrayLiteral("application/x-www-form-urlencoded"));
    QPointer<POApiManager> self(this);
    ReplyPtr reply(m_network.post(request, body));
    abortWith(this, reply.get());
    capBody(reply.get());
    co_await reply.get();
    if (!self)
        co_return PushoverError::of(Kind::transport);
    co_return judge(reply.get(), failureText);
}

QCoro::Task<PoOutcome<poLoginApiResponse>> POApiManager::get(QUrl url, QString failureText)
{
    const QNetworkRequest request = pushoverRequest(url, m_requestTimeout);
    QPointer<POApiManager> self(this);
    ReplyPtr reply(m_network.get(request));
    abortWith(this, reply.get());
    capBody(reply.get());
    co_await reply.get();
    if (!self)
        co_return PushoverError::of(Kind::transport);
    co_return judge(reply.get(), failureText);
}

QCoro::Task<PoOutcome<poLoginApiResponse>> POApiManager::login(QString email, QString password,
                                                               QString twoFactorCode)
{
    const QUrl url = apiUrl(QStringLiteral("/1/users/login.json"));
    if (!url.isValid()) {
        setErrorMessage(QStringLiteral("Could not connect to Pushover"));
        co_return PushoverError::of(Kind::badUrl);
    }
    QList<std::pair<QString, QString>> fields{{QStringLiteral("email"), email},
                                              {QStringLiteral("password"), password}};
    if (!twoFactorCode.isEmpty())
        fields.append({QStringLiteral("twofa"), twoFactorCode});
    co_return co_await post(url, formBody(fields), loginText);
}

QCoro::Task<PoOutcome<poLoginApiResponse>>
POApiManager::registerDevice(QString secret, QString deviceName, QString os)
{
    const QUrl url = apiUrl(QStringLiteral("/1/devices.json"));
    if (!url.isValid())
        co_return PushoverError::of(Kind::badUrl);
    const QByteArray body = formBody({{QStringLiteral("secret"), secret},
                                      {QStringLiteral("name"), deviceName},
                                      {QStringLiteral("os"), os}});
    co_return co_await post(url, body, registrationText);
}

QCoro::Task<PoOutcome<poLoginApiResponse>> POApiManager::downloadMessages(QString secret,
                                                                          QString deviceId)
{
    QUrl url = apiUrl(QStringLiteral("/1/messages.json"));
    // Encoded so that a stored value holding "&", "#" or "=" cannot change the query.
    url.setQuery(QString::fromLatin1(QByteArrayLiteral("secret=") + encoded(secret) +
                                     QByteArrayLiteral("&device_id=") + encoded(deviceId)),
                 QUrl::StrictMode);
    if (!url.isValid())
        co_return PushoverError::of(Kind::badUrl);
    co_return co_await get(url, downloadText);
}

QCoro::Task<PoOutcome<poLoginApiResponse>>
POApiManager::updateHighestMessage(QString secret, QString deviceId, QString messageId)
{
    QUrl url = m_apiUrl;
    url.setPath(url.path() + QStringLiteral("/1/devices/") +
                    QString::fromLatin1(encoded(deviceId)) +
                    QStringLiteral("/update_highest_message.json"),
                QUrl::StrictMode);
    if (!url.isValid())
        co_return PushoverError::of(Kind::badUrl);
    const QByteArray body =
        formBody({{QStringLiteral("secret"), secret}, {QStringLiteral("message"), messageId}});
    co_return co_await post(url, body, deleteText);
}

QCoro::Task<std::optional<PushoverError>> POApiManager::loginAndRegister(QString email,
                                                                         QString password,
                                                                         QString deviceName,
                                                                         QString twoFactorCode)
{
    QPointer<POApiManager> self(this);
    const auto loginAnswer = co_await login(email, password, twoFactorCode);
    if (!self)
        co_return std::nullopt;
    if (!loginAnswer.ok())
        co_return loginAnswer.error();
    const poLoginApiResponse& session = loginAnswer.value();
    if (!session.secret || !session.id) {
        logLine(QStringLiteral("Failed to retrieve valid session secret or user ID."));
        setErrorMessage(QStringLiteral("Login failed. Check your credentials and try again."));
        co_return PushoverError::of(Kind::loginFailed);
    }
    m_settings.setPoSessionSecret(*session.secret);
    m_settings.setPoUserKey(*session.id);
    setStatusMessage(QStringLiteral("Login successful. Registering device."));

    const auto registration =
        co_await registerDevice(m_settings.poSessionSecret(), deviceName, QStringLiteral("O"));
    if (!self)
        co_return std::nullopt;
    if (!registration.ok())
        co_return registration.error();
    if (!registration.value().id) {
        logLine(QStringLiteral("Failed to register the device."));
        co_return PushoverError::of(Kind::deviceRegistrationFailed);
    }
    m_settings.setPoDeviceUID(*registration.value().id);
    m_settings.setPoDeviceName(deviceName);
    co_return std::nullopt;
}

QCoro::Task<void> POApiManager::emptyBacklog()
{
    QPointer<POApiManager> self(this);
    const auto failed = [](const PushoverError& error) {
        logLine(QStringLiteral("There was an issue with downloading and deleting messages: ") +
                error.description);
    };
    const auto download =
        co_await downloadMessages(m_settings.poSessionSecret(), m_settings.poDeviceUID());
    if (!self)
        co_return;
    if (!download.ok()) {
        failed(download.error());
        co_return;
    }
    const Message* highest =
        download.value().messages ? highestMessage(*download.value().messages) : nullptr;
    if (!highest) {
        logLine(QStringLiteral("No messages to delete"));
        co_return;
    }
    const QString highestId = highest->id_str;
    logLine(QStringLiteral("Highest message ID: ") + highestId);
    const auto update = co_await updateHighestMessage(m_settings.poSessionSecret(),
                                                      m_settings.poDeviceUID(), highestId);
    if (!self)
        co_return;
    if (!update.ok()) {
        failed(update.error());
        co_return;
    }
    logLine(QStringLiteral("Message delete status: ") + QString::number(update.value().status));
}

QCoro::Task<void> POApiManager::setupPushover(QString email, QString password, QString deviceName,
                                              QString twoFactorCode)
{
    QPointer<POApiManager> self(this);
    setLoading(true);
    setStatusMessage(QStringLiteral("Attempting login."));

    const auto failure = co_await loginAndRegister(email, password, deviceName, twoFactorCode);
    if (!self)
        co_return;
    if (failure) {
        if (failure->kind == Kind::twoFactorRequired) {
            setRequires2FA(true);
            setStatusMessage(QStringLiteral("Two-factor authentication required."));
        } else {
            setStatusMessage(QString());
            setErrorMessage(QStringLiteral("Pushover setup failed: ") + failure->description +
                            QStringLiteral(". The device name might already be in use. Either use "
                                           "a different device name or delete the existing "
                                           "device from Pushover."));
            logLine(QStringLiteral("There was an error with the registration process: ") +
                    failure->description);
        }
        setLoading(false);
        co_return;
    }

    setRequires2FA(false);
    setStatusMessage(QStringLiteral("Device registered. Cleaning up back queue for this device."));
    co_await emptyBacklog();
    if (!self)
        co_return;
    Q_EMIT deviceRegistered();
    if (!self)
        co_return;
    setStatusMessage(QStringLiteral("Pushover setup was successful. You'll now receive Orrisfield "
                                    "notifications in corvane."));
    setLoading(false);
}

} // namespace corvane
