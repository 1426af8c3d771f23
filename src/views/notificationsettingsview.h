#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QToolButton;

namespace corvane {

class CVNSettings;
class POApiManager;
class POSettings;

// Turns Orrisfield notifications on and off and registers this machine with Pushover: the
// login form while unregistered, the device's name and a reset once registered.
class NotificationSettingsView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NotificationSettingsView)

public:
    // Moving the switch only stores it: the composition root opens or closes the socket.
    NotificationSettingsView(CVNSettings& settings, POSettings& poSettings, POApiManager& poApi,
                             QWidget* parent = nullptr);
    ~NotificationSettingsView() override;

    POApiManager& poApiManager() { return *m_poApi; }

    // Pushover accepts only these characters in a device name, and at most 25 of them.
    static QString filteredDeviceName(const QString& text);

    void startSetup();
    // Asks for confirmation first.
    void resetRegistration();

private:
    void refresh();

    CVNSettings& m_settings;
    POSettings& m_poSettings;
    POApiManager* m_poApi;
    bool m_showPassword = false;
    QCheckBox* m_enable;
    QLabel* m_errorLine;
    QLabel* m_statusLine;
    QWidget* m_form;
    QLineEdit* m_email;
    QLineEdit* m_password;
    QToolButton* m_eye;
    QWidget* m_codeRow;
    QLineEdit* m_code;
    QLineEdit* m_deviceName;
    QProgressBar* m_progress;
    QWidget* m_registerRow;
    QWidget* m_registered;
    QLabel* m_registeredText;
};

} // namespace corvane
