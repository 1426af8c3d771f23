#pragma once

#include "models/accountverifier.h"

#include <QPointer>
#include <QUuid>
#include <QWidget>
#include <qcoro/qcorotask.h>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QToolButton;

namespace corvane {

class CVNSettings;

// The editable details of one account: nickname, API key, verification and the watch switch.
// Every edit goes straight into the settings store.
class AccountDetailsForm final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AccountDetailsForm)

public:
    AccountDetailsForm(CVNSettings& settings, AccountVerifier& verifier, QWidget* parent = nullptr);

    QUuid accountKey() const { return m_accountKey; }
    // A newly chosen account is shown with its key masked and without an old error line.
    void setAccountKey(const QUuid& accountKey);
    QString verificationError() const { return m_error; }
    void startVerification();

Q_SIGNALS:
    // The user changed the nickname or the API key.
    void edited();
    void verificationStarted();
    // A verification started from this form succeeded for this account.
    void verified(const QUuid& accountId);

private:
    static QCoro::Task<> runVerification(QPointer<AccountDetailsForm> form,
                                         AccountVerifier* verifier, QUuid accountId);
    void applyResult(const AccountVerifier::Result& result);
    void setVerificationError(const QString& text);
    void setShowPassword(bool show);
    // Brings every control in line with the stored account.
    void refresh();

    CVNSettings& m_settings;
    AccountVerifier& m_verifier;
    QUuid m_accountKey;
    QString m_error;
    bool m_showPassword = false;
    QLineEdit* m_nickname;
    QLineEdit* m_apiKey;
    QToolButton* m_eye;
    QPushButton* m_verify;
    QProgressBar* m_busy;
    QLabel* m_errorLine;
    QCheckBox* m_watch;
};

} // namespace corvane
