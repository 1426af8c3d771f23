#pragma once

#include <QObject>
#include <QString>
#include <qcoro/qcorotask.h>

class QNetworkAccessManager;

namespace corvane {

class LiveSocket;
class POApiManager;
class POSettings;

// The Pushover set-up as the notification settings show it: progress and error texts, whether
// a set-up runs, whether Pushover asked for a two-factor code, and whether this machine is
// registered. Each presenter has a Pushover client of its own, so its texts are never the
// live socket's.
class PushoverSetupPresenter final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PushoverSetupPresenter)
    Q_PROPERTY(QString statusText READ statusText NOTIFY statusTextChanged)
    Q_PROPERTY(QString errorText READ errorText NOTIFY errorTextChanged)
    Q_PROPERTY(bool loading READ loading NOTIFY loadingChanged)
    Q_PROPERTY(bool twoFactorRequested READ twoFactorRequested NOTIFY twoFactorRequestedChanged)
    Q_PROPERTY(bool registered READ registered NOTIFY registeredChanged)
    Q_PROPERTY(QString deviceName READ deviceName NOTIFY deviceNameChanged)

public:
    // liveSocket is opened after a successful set-up; it may be null.
    PushoverSetupPresenter(QNetworkAccessManager& network, POSettings& settings,
                           LiveSocket* liveSocket, QObject* parent = nullptr);
    ~PushoverSetupPresenter() override;

    QString statusText() const;
    QString errorText() const;
    bool loading() const;
    bool twoFactorRequested() const;
    bool registered() const;
    QString deviceName() const;

    // Logs in and registers this machine under deviceName. Ignored while a set-up runs; the
    // outcome shows in the texts and ends with setUpFinished. The presenter may be destroyed
    // meanwhile.
    void setUp(const QString& email, const QString& password, const QString& deviceName,
               const QString& twoFactorCode = {});
    // Forgets this machine's registration.
    void forgetDevice();

Q_SIGNALS:
    void statusTextChanged();
    void errorTextChanged();
    void loadingChanged();
    void twoFactorRequestedChanged();
    void registeredChanged();
    void deviceNameChanged();
    void setUpFinished();

private:
    QCoro::Task<> runSetUp(QString email, QString password, QString deviceName, QString code);

    POSettings& m_settings;
    POApiManager* m_api;
};

} // namespace corvane
