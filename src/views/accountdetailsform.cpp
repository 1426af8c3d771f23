#include "accountdetailsform.h"

#include "base/endpoints.h"
#include "settings/settings.h"
#include "settingsstyle.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>

namespace corvane {

namespace {

QString apiKeyHelp()
{
    const QString link =
        endpointUrl(Endpoint::platformWeb).toString() + QStringLiteral("/i1-R-overview");
    return QStringLiteral("Enter your API key. For more information, see:  <a href=\"") + link +
           QStringLiteral("\">") + link + QStringLiteral("</a>");
}

} // namespace

AccountDetailsForm::AccountDetailsForm(CVNSettings& settings, AccountVerifier& verifier,
                                       QWidget* parent)
    : QWidget(parent)
    , m_settings(settings)
    , m_verifier(verifier)
    , m_nickname(new QLineEdit(this))
    , m_apiKey(new QLineEdit(this))
    , m_eye(new QToolButton(this))
    , m_verify(new QPushButton(this))
    , m_busy(new QProgressBar(this))
    , m_errorLine(new QLabel(this))
    , m_watch(new QCheckBox(QStringLiteral("Watch this account"), this))
{
    setObjectName(QStringLiteral("accountDetailsForm"));
    m_nickname->setObjectName(QStringLiteral("nicknameField"));
    m_nickname->setPlaceholderText(QStringLiteral("Orrisfield nickname"));
    m_nickname->setAccessibleName(QStringLiteral("Orrisfield nickname"));
    m_apiKey->setObjectName(QStringLiteral("apiKeyField"));
    m_apiKey->setPlaceholderText(QStringLiteral("API Key"));
    m_apiKey->setAccessibleName(QStringLiteral("API Key"));
    m_eye->setObjectName(QStringLiteral("apiKeyEye"));
    m_eye->setAutoRaise(true);
    m_eye->setFocusPolicy(Qt::StrongFocus);
    m_verify->setObjectName(QStringLiteral("verifyButton"));
    m_busy->setObjectName(QStringLiteral("verifyBusy"));
    m_busy->setRange(0, 0);
    m_busy->setTextVisible(false);
    m_busy->setFixedSize(60, 10);
    m_busy->setAccessibleName(QStringLiteral("Verifying"));
    m_busy->hide();
    m_errorLine->setObjectName(QStringLiteral("verificationError"));
    m_errorLine->setToolTip(QStringLiteral("API error condition"));
    m_errorLine->setWordWrap(true);
    m_errorLine->hide();
    setTextColour(m_errorLine, &warningColour);
    m_watch->setObjectName(QStringLiteral("watchAccountToggle"));

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(6);
    auto* nicknameLabel = new QLabel(QStringLiteral("Nickname"), this);
    nicknameLabel->setBuddy(m_nickname);
    grid->addWidget(nicknameLabel, 0, 0);
    grid->addWidget(m_nickname, 0, 1, 1, 2);
    grid->addWidget(infoButton(QStringLiteral("Nickname for this Orrisfield account."), this), 0,
                    3);
    auto* apiKeyLabel = new QLabel(QStringLiteral("API Key"), this);
    apiKeyLabel->setBuddy(m_apiKey);
    grid->addWidget(apiKeyLabel, 1, 0);
    grid->addWidget(m_apiKey, 1, 1);
    grid->addWidget(m_eye, 1, 2);
    grid->addWidget(infoButton(apiKeyHelp(), this), 1, 3);
    auto* verifyRow = new QHBoxLayout;
    verifyRow->addWidget(m_verify);
    verifyRow->addWidget(m_busy);
    verifyRow->addWidget(infoButton(QStringLiteral("Verify your API Key for this account."), this));
    verifyRow->addStretch();
    grid->addLayout(verifyRow, 2, 1, 1, 3);
    grid->addWidget(m_errorLine, 3, 1, 1, 3);
    auto* watchRow = new QHBoxLayout;
    watchRow->addWidget(m_watch);
    watchRow->addWidget(infoButton(
        QStringLiteral("Checking this box will include this account in your totals. You must be "
                       "watching at least one verified account."),
        this));
    watchRow->addStretch();
    grid->addLayout(watchRow, 4, 1, 1, 3);
    grid->setColumnStretch(1, 1);

    connect(m_nickname, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_settings.setAccountValue(m_accountKey, CVNSettings::AccountField::nickName, text);
        Q_EMIT edited();
    });
    connect(m_apiKey, &QLineEdit::textEdited, this, [this](const QString& text) {
        setVerificationError({});
        m_settings.setAccountValue(m_accountKey, CVNSettings::AccountField::apiKey, text);
        Q_EMIT edited();
    });
    connect(m_eye, &QToolButton::clicked, this, [this] { setShowPassword(!m_showPassword); });
    connect(m_verify, &QPushButton::clicked, this, &AccountDetailsForm::startVerification);
    connect(m_watch, &QCheckBox::clicked, this, [this](bool checked) {
        m_settings.setAccountValue(m_accountKey, CVNSettings::AccountField::watchAccount, checked);
    });
    connect(&m_settings, &CVNSettings::accountSettingsChanged, this, &AccountDetailsForm::refresh);
    connect(&m_verifier, &AccountVerifier::verifyingChanged, this, [this](const QUuid& id, bool) {
        if (id == m_accountKey)
            refresh();
    });
    setShowPassword(false);
}

void AccountDetailsForm::setAccountKey(const QUuid& accountKey)
{
    if (accountKey != m_accountKey)
        setVerificationError({});
    m_accountKey = accountKey;
    setShowPassword(false);
    refresh();
}

void AccountDetailsForm::setShowPassword(bool show)
{
    m_showPassword = show;
    m_apiKey->setEchoMode(show ? QLineEdit::Normal : QLineEdit::Password);
    // The eye shows what pressing it does: reveal a masked key, hide a shown one.
    m_eye->setText(show ? QStringLiteral("Hide") : QStringLiteral("Show"));
    m_eye->setAccessibleName(show ? QStringLiteral("Hide API Key")
                                  : QStringLiteral("Show API Key"));
    m_eye->setToolTip(m_eye->accessibleName());
}

void AccountDetailsForm::setVerificationError(const QString& text)
{
    m_error = text;
    m_errorLine->setText(text);
    m_errorLine->setVisible(!text.isEmpty());
}

void AccountDetailsForm::refresh()
{
    const bool exists = m_settings.accountSettings().contains(m_accountKey);
    setEnabled(exists);
    const QString nickname =
        m_settings.accountValue(m_accountKey, CVNSettings::AccountField::nickName).toString();
    const QString apiKey =
        m_settings.accountValue(m_accountKey, CVNSettings::AccountField::apiKey).toString();
    // Rewriting the text under the cursor would move it; only a change from elsewhere is shown.
    if (m_nickname->text() != nickname)
        m_nickname->setText(nickname);
    if (m_apiKey->text() != apiKey)
        m_apiKey->setText(apiKey);
    const bool verified =
        m_settings.accountValue(m_accountKey, CVNSettings::AccountField::keyVerified).toBool();
    m_verify->setText(verified ? QStringLiteral("Verified") : QStringLiteral("Verify"));
    m_verify->setAccessibleName(m_verify->text());
    m_busy->setVisible(m_verifier.isVerifying(m_accountKey));

    const bool watched =
        m_settings.accountValue(m_accountKey, CVNSettings::AccountField::watchAccount).toBool();
    m_watch->setChecked(watched);
    // The last watched account cannot be unwatched unless another verified one exists.
    m_watch->setEnabled(!(watched && m_settings.watchedAccountCount() < 2 &&
                          m_settings.verifiedAccountCount() < 2));
}

void AccountDetailsForm::startVerification()
{
    Q_EMIT verificationStarted();
    runVerification(this, &m_verifier, m_accountKey);
}

QCoro::Task<> AccountDetailsForm::runVerification(QPointer<AccountDetailsForm> form,
                                                  AccountVerifier* verifier, QUuid accountId)
{
    const AccountVerifier::Result result = co_await verifier->verify(accountId);
    // The form may have been closed, or moved to another account, while the fetches ran.
    if (!form || form->m_accountKey != accountId)
        co_return;
    form->applyResult(result);
}

void AccountDetailsForm::applyResult(const AccountVerifier::Result& result)
{
    switch (result.outcome) {
    case AccountVerifier::Outcome::verified:
        setVerificationError({});
        Q_EMIT verified(m_accountKey);
        break;
    case AccountVerifier::Outcome::rejected:
    case AccountVerifier::Outcome::brokersMissing:
        setVerificationError(result.message);
        break;
    case AccountVerifier::Outcome::fetchFailed:
    case AccountVerifier::Outcome::superseded:
        break;
    }
}

} // namespace corvane
