#include "pushoversetuppresenter.h"

#include "base/endpoints.h"
#include "pushover/livesocket.h"
#include "pushover/poapimanager.h"
#include "settings/posettings.h"

#include <QPointer>

namespace corvane {

PushoverSetupPresenter::PushoverSetupPresenter(QNetworkAccessManager& network, POSettings& settings,
                                               LiveSocket* liveSocket, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_api(new POApiManager(network, settings, endpointUrl(Endpoint::pushoverApi), this))
{
    // A device registered here gets its notifications at once, not at the next market tick.
    if (liveSocket)
        connect(m_api, &POApiManager::deviceRegistered, this,
                [liveSocket] { liveSocket->openSocket(); });
    connect(m_api, &POApiManager::statusMessageChanged, this,
            &PushoverSetupPresenter::statusTextChanged);
    connect(m_api, &POApiManager::errorMessageChanged, this,
            &PushoverSetupPresenter::errorTextChanged);
    connect(m_api, &POApiManager::isLoadingChanged, this, &PushoverSetupPresenter::loadingChanged);
    connect(m_api, &POApiManager::requires2FAChanged, this,
            &PushoverSetupPresenter::twoFactorRequestedChanged);
    connect(&m_settings, &POSettings::poIsRegisteredChanged, this,
            &PushoverSetupPresenter::registeredChanged);
    connect(&m_settings, &POSettings::poDeviceNameChanged, this,
            &PushoverSetupPresenter::deviceNameChanged);
}

PushoverSetupPresenter::~PushoverSetupPresenter() = default;

QString PushoverSetupPresenter::statusText() const
{
    return m_api->statusMessage();
}

QString PushoverSetupPresenter::errorText() const
{
    return m_api->errorMessage();
}

bool PushoverSetupPresenter::loading() const
{
    return m_api->isLoading();
}

bool PushoverSetupPresenter::twoFactorRequested() const
{
    return m_api->requires2FA();
}

bool PushoverSetupPresenter::registered() const
{
    return m_settings.poIsRegistered();
}

QString PushoverSetupPresenter::deviceName() const
{
    return m_settings.poDeviceName();
}

void PushoverSetupPresenter::setUp(const QString& email, const QString& password,
                                   const QString& deviceName, const QString& twoFactorCode)
{
    // A second set-up over the first would interleave their texts and registrations.
    if (m_api->isLoading())
        return;
    runSetUp(email, password, deviceName, twoFactorCode);
}

void PushoverSetupPresenter::forgetDevice()
{
    m_settings.reset();
}

QCoro::Task<> PushoverSetupPresenter::runSetUp(QString email, QString password, QString deviceName,
                                               QString code)
{
    QPointer<PushoverSetupPresenter> self(this);
    co_await m_api->setupPushover(email, password, deviceName, code);
    if (self)
        Q_EMIT self->setUpFinished();
}

} // namespace corvane
