#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace corvane {

class CVNSettings;
class StateManager;
class ViewModel;

// The application-wide switches: launch at login, the rolled-up label and the sync frequency.
// Every control writes its settings field at once.
class GeneralSettingsView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(GeneralSettingsView)

public:
    GeneralSettingsView(CVNSettings& settings, StateManager& stateManager,
                        QWidget* parent = nullptr);

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
    ViewModel* m_viewModel;
    QCheckBox* m_launchAtStartup;
    QLineEdit* m_label;
    QCheckBox* m_rollUp;
    QCheckBox* m_manualSync;
    QComboBox* m_hours;
    QComboBox* m_minutes;
};

} // namespace corvane
