#pragma once

#include "app/loginitem.h"

#include <QWidget>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace corvane {

class CVNSettings;
class StateManager;
class ViewModel;

// The application-wide switches: launch at login, the rolled-up label, the panel's shade and
// the sync frequency.
// Every control writes its settings field at once.
class GeneralSettingsView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(GeneralSettingsView)

public:
    // Registers or unregisters the application as a login item and says what came of it; none
    // leaves only the stored choice.
    using LoginItemSwitch = std::function<LoginItemChange(bool enabled)>;

    GeneralSettingsView(CVNSettings& settings, StateManager& stateManager,
                        LoginItemSwitch loginItem = {}, QWidget* parent = nullptr);

    // Rolling up needs a verified account with at least two watched, enabled brokers; brokers
    // of different accounts are not added together.
    static bool isRollUpAllowed(const CVNSettings& settings);

Q_SIGNALS:
    // The status item should re-prime its entries and fit its label again.
    void statusItemRefreshRequested();

private:
    void refresh();

    CVNSettings& m_settings;
    StateManager& m_stateManager;
    LoginItemSwitch m_loginItem;
    ViewModel* m_viewModel;
    QCheckBox* m_launchAtStartup;
    QLabel* m_launchError;
    QLineEdit* m_label;
    QCheckBox* m_rollUp;
    QCheckBox* m_manualSync;
    QComboBox* m_hours;
    QComboBox* m_minutes;
    QComboBox* m_panel;
};

} // namespace corvane
