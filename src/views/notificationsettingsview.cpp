#include "notificationsettingsview.h"

#include "pushover/poapimanager.h"
#include "settings/posettings.h"
#include "settings/settings.h"
#include "settingsstyle.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace corvane {

namespace {

constexpr qsizetype deviceNameLimit = 25;

QLabel* heading(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.1);
    label->setFont(font);
    return label;
}

// One row of the form: the field, anything beside it, and its information button.
QWidget* formRow(QLineEdit* field, const QString& placeholder, const QString& help, QWidget* parent,
                 QWidget* extra = nullptr)
{
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    field->setParent(row);
    field->setPlaceholderText(placeholder);
    field->setAccessibleName(placeholder);
    layout->addWidget(field, 1);
    if (extra) {
        extra->setParent(row);
        layout->addWidget(extra);
    }
    layout->addWidget(infoButton(help, row));
    return row;
}

} // namespace

QString NotificationSettingsView::filteredDeviceName(const QString& text)
{
    QString kept;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') ||
            u == '_' || u == '-')
            kept.append(c);
    }
    return kept.left(deviceNameLimit);
}

NotificationSettingsView::NotificationSettingsView(CVNSettings& settings, POSettings& poSettings,
                                                   POApiManager& poApi, QWidget* parent)
    : QWidget(parent)
    , m_settings(settings)
    , m_poSettings(poSettings)
    , m_poApi(&poApi)
    , m_enable(new QCheckBox(QStringLiteral("Enable notifications"), this))
    , m_errorLine(new QLabel(this))
    , m_statusLine(new QLabel(this))
    , m_form(new QWidget(this))
    , m_email(new QLineEdit)
    , m_password(new QLineEdit)
    , m_eye(new QToolButton)
    , m_code(new QLineEdit)
    , m_deviceName(new QLineEdit)
    , m_progress(new QProgressBar(m_form))
    , m_registerRow(new QWidget(m_form))
    , m_registered(new QWidget(this))
    , m_registeredText(new QLabel(m_registered))
{
    setObjectName(QStringLiteral("notificationSettingsView"));
    m_enable->setObjectName(QStringLiteral("enableNotifications"));
    m_enable->setToolTip(QStringLiteral(
        "To ensure you see all notifications, make sure corvane notifications are allowed, and "
        "not silenced by Do Not Disturb, in your desktop's notification settings."));
    m_errorLine->setObjectName(QStringLiteral("errorLine"));
    m_errorLine->setWordWrap(true);
    setTextColour(m_errorLine, &warningColour);
    m_statusLine->setObjectName(QStringLiteral("statusLine"));
    m_statusLine->setWordWrap(true);
    setTextColour(m_statusLine, &statusColour);
    QFont callout = m_errorLine->font();
    callout.setPointSizeF(callout.pointSizeF() * 0.95);
    m_errorLine->setFont(callout);
    m_statusLine->setFont(callout);

    m_email->setObjectName(QStringLiteral("emailField"));
    m_password->setObjectName(QStringLiteral("passwordField"));
    m_eye->setObjectName(QStringLiteral("passwordEye"));
    m_eye->setAutoRaise(true);
    m_eye->setFocusPolicy(Qt::StrongFocus);
    m_code->setObjectName(QStringLiteral("authenticationCodeField"));
    m_deviceName->setObjectName(QStringLiteral("deviceNameField"));
    m_progress->setObjectName(QStringLiteral("setupProgress"));
    m_progress->setRange(0, 0);
    m_progress->setTextVisible(false);
    m_progress->setAccessibleName(QStringLiteral("Registering"));

    auto* formLayout = new QVBoxLayout(m_form);
    formLayout->setContentsMargins(0, 0, 0, 0);
    formLayout->addWidget(m_statusLine);
    formLayout->addWidget(formRow(m_email, QStringLiteral("Pushover email"),
                                  QStringLiteral("The email you use for your Pushover login."),
                                  m_form));
    formLayout->addWidget(formRow(m_password, QStringLiteral("Pushover password"),
                                  QStringLiteral("Your Pushover password"), m_form, m_eye));
    m_codeRow = formRow(m_code, QStringLiteral("Authentication code"),
                        QStringLiteral("Your two-factor authentication code for Pushover"), m_form);
    formLayout->addWidget(m_codeRow);
    formLayout->addWidget(formRow(
        m_deviceName, QStringLiteral("Device name"),
        QStringLiteral("The unique name you want to call this device on Pushover using corvane. "
                       "This name is how Pushover will identify this device using corvane as the "
                       "listener. You can use A-Za-z0-9_- (no spaces) and the name must be 25 "
                       "characters or less."),
        m_form));
    auto* registerButton = new QPushButton(QStringLiteral("Register"), m_registerRow);
    registerButton->setObjectName(QStringLiteral("registerButton"));
    registerButton->setDefault(true);
    auto* registerLayout = new QHBoxLayout(m_registerRow);
    registerLayout->setContentsMargins(0, 0, 0, 0);
    registerLayout->addStretch();
    registerLayout->addWidget(registerButton);
    registerLayout->addWidget(
        infoButton(QStringLiteral("Register corvane with Pushover"), m_registerRow));
    registerLayout->addStretch();
    formLayout->addWidget(m_progress);
    formLayout->addWidget(m_registerRow);

    m_registeredText->setObjectName(QStringLiteral("registeredText"));
    m_registeredText->setWordWrap(true);
    m_registeredText->setFont(callout);
    auto* reset = new QPushButton(QStringLiteral("Reset"), m_registered);
    reset->setObjectName(QStringLiteral("resetButton"));
    reset->setIcon(QIcon::fromTheme(QStringLiteral("view-refresh")));
    auto* resetRow = new QHBoxLayout;
    resetRow->addStretch();
    resetRow->addWidget(reset);
    resetRow->addWidget(infoButton(
        QStringLiteral("Reset your Pushover registration in corvane. This will only reset your "
                       "Pushover information in corvane but will not affect your device "
                       "registration on Pushover."),
        m_registered));
    resetRow->addStretch();
    auto* registeredLayout = new QVBoxLayout(m_registered);
    registeredLayout->setContentsMargins(0, 0, 0, 0);
    registeredLayout->addWidget(m_registeredText);
    registeredLayout->addLayout(resetRow);

    auto* registrationHeading = new QHBoxLayout;
    registrationHeading->addStretch();
    registrationHeading->addWidget(heading(QStringLiteral("Pushover registration"), this));
    registrationHeading->addWidget(infoButton(
        QStringLiteral("In order to get Orrisfield notifications in corvane using Pushover, you "
                       "need to register this device on Pushover specific for corvane. Even if "
                       "you have the Pushover app installed, Pushover requires a separate "
                       "registration for each app that uses the service. This device name for "
                       "corvane will appear on Pushover in your device list."),
        this));
    registrationHeading->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading(QStringLiteral("Notifications"), this), 0, Qt::AlignHCenter);
    layout->addWidget(m_enable, 0, Qt::AlignHCenter);
    layout->addLayout(registrationHeading);
    layout->addWidget(m_errorLine);
    layout->addWidget(m_form);
    layout->addWidget(m_registered);
    layout->addStretch();

    connect(m_enable, &QCheckBox::clicked, this,
            [this](bool checked) { m_settings.setEnableNotifications(checked); });
    connect(m_eye, &QToolButton::clicked, this, [this] {
        m_showPassword = !m_showPassword;
        refresh();
    });
    connect(m_deviceName, &QLineEdit::textEdited, this, [this](const QString& text) {
        const QString kept = filteredDeviceName(text);
        if (kept != text) {
            const int cursor = std::min<int>(m_deviceName->cursorPosition(), kept.size());
            m_deviceName->setText(kept);
            m_deviceName->setCursorPosition(cursor);
        }
    });
    connect(registerButton, &QPushButton::clicked, this, &NotificationSettingsView::startSetup);
    connect(reset, &QPushButton::clicked, this, &NotificationSettingsView::resetRegistration);
    for (auto signal : {&POApiManager::statusMessageChanged, &POApiManager::errorMessageChanged,
                        &POApiManager::isLoadingChanged, &POApiManager::requires2FAChanged})
        connect(m_poApi, signal, this, &NotificationSettingsView::refresh);
    connect(&m_poSettings, &POSettings::poIsRegisteredChanged, this,
            &NotificationSettingsView::refresh);
    connect(&m_poSettings, &POSettings::poDeviceNameChanged, this,
            &NotificationSettingsView::refresh);
    connect(&m_settings, &CVNSettings::enableNotificationsChanged, this,
            &NotificationSettingsView::refresh);
    refresh();
}

NotificationSettingsView::~NotificationSettingsView() = default;

void NotificationSettingsView::refresh()
{
    const bool registered = m_poSettings.poIsRegistered();
    m_enable->setChecked(m_settings.enableNotifications());
    m_enable->setEnabled(registered);
    const QString error = m_poApi->errorMessage();
    m_errorLine->setText(QStringLiteral("Error: ") + error);
    m_errorLine->setVisible(!error.isEmpty());
    m_form->setVisible(!registered);
    m_registered->setVisible(registered);
    const QString status = m_poApi->statusMessage();
    m_statusLine->setText(QStringLiteral("Status: ") + status);
    m_statusLine->setVisible(!status.isEmpty());
    m_password->setEchoMode(m_showPassword ? QLineEdit::Normal : QLineEdit::Password);
    m_eye->setText(m_showPassword ? QStringLiteral("Hide") : QStringLiteral("Show"));
    m_eye->setAccessibleName(m_showPassword ? QStringLiteral("Hide password")
                                            : QStringLiteral("Show password"));
    m_eye->setToolTip(m_eye->accessibleName());
    m_codeRow->setVisible(m_poApi->requires2FA());
    m_progress->setVisible(m_poApi->isLoading());
    m_registerRow->setVisible(!m_poApi->isLoading());
    m_registeredText->setText(
        QStringLiteral("Device name on Pushover: ") + m_poSettings.poDeviceName() +
        QStringLiteral("\n\nThis device is registered with Pushover for use with corvane. You "
                       "will receive notifications you've set up in Orrisfield if 'Enable "
                       "notifications' is on (above). If you're not receiving push "
                       "notifications, check that the device name you registered with corvane "
                       "is enabled on Pushover."));
}

void NotificationSettingsView::startSetup()
{
    // An error of an earlier attempt would otherwise stay above the outcome of this one.
    m_poApi->setErrorMessage(QString());
    const QString code = m_poApi->requires2FA() ? m_code->text() : QString();
    m_poApi->setupPushover(m_email->text(), m_password->text(), m_deviceName->text(), code);
}

void NotificationSettingsView::resetRegistration()
{
    auto* box = new QMessageBox(
        QMessageBox::Warning, QStringLiteral("Confirm Reset"),
        QStringLiteral("Resetting Pushover in corvane will enable you to re-register this device. "
                       "It does not remove the device from Pushover. You will have to do that "
                       "manually. If you do not remove the device from Pushover, you will have to "
                       "use a different device name when re-registering."),
        QMessageBox::NoButton, this);
    box->setObjectName(QStringLiteral("confirmReset"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    QPushButton* reset = box->addButton(QStringLiteral("Reset"), QMessageBox::AcceptRole);
    box->addButton(QMessageBox::Cancel);
    box->setDefaultButton(reset);
    connect(reset, &QPushButton::clicked, this, [this] {
        m_poSettings.reset();
        m_settings.setEnableNotifications(false);
    });
    box->open();
}

} // namespace corvane
