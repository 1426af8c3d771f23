#pragma once

#include "poerror.h"
#include "porecords.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QUrl>
#include <chrono>

class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;

namespace corvane {

class POSettings;

// The HTTP side of the Pushover client: login, device registration, the one-time emptying of
// a new device's backlog, and the download and acknowledgement of messages. Each owner (the
// settings view, the live socket) has its own instance with its own texts.
class POApiManager final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(POApiManager)
    Q_PROPERTY(QString statusMessage READ statusMessage NOTIFY statusMessageChanged)
    Q_PROPERTY(QString errorMessage READ errorMessage NOTIFY errorMessageChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(bool requires2FA READ requires2FA NOTIFY requires2FAChanged)

public:
    // apiUrl is the base of Pushover's HTTP API, without a trailing slash.
    POApiManager(QNetworkAccessManager& network, POSettings& settings, QUrl apiUrl,
                 QObject* parent = nullptr);
    ~POApiManager() override;

    QString statusMessage() const { return m_statusMessage; }
    QString errorMessage() const { return m_errorMessage; }
    bool isLoading() const { return m_isLoading; }
    bool requires2FA() const { return m_requires2FA; }

    // How long a request may go without progress before it fails (60 s unless set).
    void setRequestTimeout(std::chrono::milliseconds timeout) { m_requestTimeout = timeout; }

    void setStatusMessage(const QString& text);
    void setErrorMessage(const QString& text);

    // Logs in, registers this machine, empties its backlog and opens the live socket. Never
    // fails: the outcome is in the published texts and in the credentials store. A non-empty
    // twoFactorCode is sent with the login as the field "twofa".
    QCoro::Task<void> setupPushover(QString email, QString password, QString deviceName,
                                    QString twoFactorCode = {});

    QCoro::Task<PoOutcome<poLoginApiResponse>> login(QString email, QString password,
                                                     QString twoFactorCode = {});
    QCoro::Task<PoOutcome<poLoginApiResponse>> registerDevice(QString secret, QString deviceName,
                                                              QString os);
    QCoro::Task<PoOutcome<poLoginApiResponse>> downloadMessages(QString secret, QString deviceId);
    QCoro::Task<PoOutcome<poLoginApiResponse>>
    updateHighestMessage(QString secret, QString deviceId, QString messageId);

    // application/x-www-form-urlencoded: values percent-encoded except A-Z a-z 0-9 - . _ ~.
    static QByteArray formBody(const QList<std::pair<QString, QString>>& fields);
    // The transport error of an answer cut off at the size limit.
    static QString tooLargeText();

Q_SIGNALS:
    void statusMessageChanged();
    void errorMessageChanged();
    void isLoadingChanged();
    void requires2FAChanged();
    // A set-up registered this device and emptied its backlog: the live socket may open.
    void deviceRegistered();

private:
    // The step of setupPushover that may fail; the caller turns its error into texts.
    QCoro::Task<std::optional<PushoverError>>
    loginAndRegister(QString email, QString password, QString deviceName, QString twoFactorCode);
    QCoro::Task<void> emptyBacklog();
    QCoro::Task<PoOutcome<poLoginApiResponse>> post(QUrl url, QByteArray body, QString failureText);
    QCoro::Task<PoOutcome<poLoginApiResponse>> get(QUrl url, QString failureText);
    PoOutcome<poLoginApiResponse> judge(QNetworkReply* reply, const QString& failureText);
    QUrl apiUrl(const QString& path) const;
    void setLoading(bool loading);
    void setRequires2FA(bool required);

    QNetworkAccessManager& m_network;
    POSettings& m_settings;
    QUrl m_apiUrl;
    QString m_statusMessage;
    QString m_errorMessage;
    bool m_isLoading = false;
    bool m_requires2FA = false;
    std::chrono::milliseconds m_requestTimeout{60'000};
};

} // namespace corvane
