#include "generalsettingsview.h"

#include "app/globaldata.h"
#include "app/statemanager.h"
#include "settings/settings.h"
#include "settingsstyle.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <algorithm>

namespace corvane {

namespace {

constexpr std::chrono::milliseconds labelDebounceMs{500};

// A control with its information button, as one row of a section.
void addRow(QGridLayout* grid, QWidget* control, const QString& help, QWidget* parent)
{
    const int row = grid->count() == 0 ? 0 : grid->rowCount();
    grid->addWidget(control, row, 0);
    grid->addWidget(infoButton(help, parent), row, 1, Qt::AlignLeft);
}

// Where the API keys and the Pushover secret are kept: the keyring, or the settings file and
// why. Read only; the choice is the keepSecretsInFile entry of the settings file.
QGroupBox* secretsBox(CVNSettings& settings, QWidget* parent)
{
    auto* box = new QGroupBox(QStringLiteral("Secrets"), parent);
    auto* where = new QLabel(settings.secretsLocation(), box);
    where->setObjectName(QStringLiteral("secretsLocation"));
    where->setWordWrap(true);
    where->setTextInteractionFlags(Qt::TextSelectableByMouse);
    (new QVBoxLayout(box))->addWidget(where);
    QObject::connect(&settings, &CVNSettings::secretsLocationChanged, where, &QLabel::setText);
    return box;
}

} // namespace

bool GeneralSettingsView::isRollUpAllowed(const CVNSettings& settings)
{
    const AccountMap& accounts = settings.accountSettings();
    return std::any_of(accounts.cbegin(), accounts.cend(), [](const AccountSettings& account) {
        const auto watched = std::count_if(
            account.brokerSettings.cbegin(), account.brokerSettings.cend(),
            [](const BrokerSettings& broker) { return broker.enabled && broker.watch; });
        return account.keyVerified && watched >= 2;
    });
}

GeneralSettingsView::GeneralSettingsView(CVNSettings& settings, StateManager& stateManager,
                                         LoginItemSwitch loginItem, QWidget* parent)
    : QWidget(parent)
    , m_settings(settings)
    , m_stateManager(stateManager)
    , m_loginItem(std::move(loginItem))
    , m_viewModel(new ViewModel(this))
    , m_launchAtStartup(new QCheckBox(QStringLiteral("Launch at startup"), this))
    , m_launchError(new QLabel(this))
    , m_label(new QLineEdit(this))
    , m_rollUp(new QCheckBox(QStringLiteral("Roll up totals"), this))
    , m_manualSync(new QCheckBox(QStringLiteral("Manual sync"), this))
    , m_hours(new QComboBox(this))
    , m_minutes(new QComboBox(this))
    , m_panel(new QComboBox(this))
{
    setObjectName(QStringLiteral("generalSettingsView"));
    m_launchAtStartup->setObjectName(QStringLiteral("launchAtStartup"));
    m_launchError->setObjectName(QStringLiteral("launchAtStartupError"));
    m_launchError->setWordWrap(true);
    m_launchError->hide();
    setTextColour(m_launchError, &warningColour);
    m_label->setObjectName(QStringLiteral("taskbarLabel"));
    m_label->setPlaceholderText(QStringLiteral("Taskbar label"));
    m_label->setAccessibleName(QStringLiteral("Taskbar label"));
    m_rollUp->setObjectName(QStringLiteral("rollUpTotals"));
    m_rollUp->setToolTip(QStringLiteral("Roll up totals"));
    m_manualSync->setObjectName(QStringLiteral("manualSync"));
    m_manualSync->setToolTip(QStringLiteral("Corvane on/off"));
    m_hours->setObjectName(QStringLiteral("hoursPicker"));
    m_hours->setAccessibleName(QStringLiteral("Hours"));
    m_hours->setFixedWidth(140);
    for (FrequencyHour hour : allFrequencyHours())
        m_hours->addItem(QString::number(static_cast<int>(hour)), static_cast<int>(hour));
    m_minutes->setObjectName(QStringLiteral("minutesPicker"));
    m_minutes->setAccessibleName(QStringLiteral("Minutes"));
    m_minutes->setFixedWidth(150);
    for (FrequencyMinute minute : allFrequencyMinutes())
        m_minutes->addItem(QString::number(static_cast<int>(minute)), static_cast<int>(minute));

    m_panel->setObjectName(QStringLiteral("panelPicker"));
    m_panel->setAccessibleName(QStringLiteral("Panel"));
    m_panel->addItem(QStringLiteral("Automatic"), static_cast<int>(PanelShade::automatic));
    m_panel->addItem(QStringLiteral("Light"), static_cast<int>(PanelShade::light));
    m_panel->addItem(QStringLiteral("Dark"), static_cast<int>(PanelShade::dark));

    auto* general = new QGroupBox(QStringLiteral("General"), this);
    auto* generalGrid = new QGridLayout(general);
    addRow(generalGrid, m_launchAtStartup, QStringLiteral("Launch corvane on system startup."),
           this);
    generalGrid->addWidget(m_launchError, generalGrid->rowCount(), 0, 1, 2);
    auto* labelRow = new QWidget(general);
    auto* labelLayout = new QHBoxLayout(labelRow);
    labelLayout->setContentsMargins(0, 0, 0, 0);
    labelLayout->addWidget(new QLabel(QStringLiteral("Taskbar label"), labelRow));
    labelLayout->addWidget(m_label, 1);
    addRow(generalGrid, labelRow,
           QStringLiteral("Label that shows in the taskbar above your rolled up account tally. "
                          "Keep to 5 characters or less."),
           this);
    addRow(generalGrid, m_rollUp,
           QStringLiteral("Roll up totals from all verified accounts on the status bar. Requires "
                          "at least one verified account and at least two enabled and watched "
                          "brokers."),
           this);
    auto* panelRow = new QWidget(general);
    auto* panelLayout = new QHBoxLayout(panelRow);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->addWidget(new QLabel(QStringLiteral("Panel"), panelRow));
    panelLayout->addWidget(m_panel);
    panelLayout->addStretch();
    addRow(generalGrid, panelRow,
           QStringLiteral("The colour of the panel the taskbar label sits on, so its text stays "
                          "readable. Automatic asks the tray, and takes a dark panel when the "
                          "tray does not tell."),
           this);
    generalGrid->setColumnStretch(0, 1);

    auto* sync = new QGroupBox(QStringLiteral("Sync Frequency"), this);
    auto* syncGrid = new QGridLayout(sync);
    addRow(syncGrid, m_manualSync,
           QStringLiteral("Turn off automatic syncing with Orrisfield. Syncing can be done from "
                          "popover window."),
           this);
    auto* pickers = new QWidget(sync);
    auto* pickerLayout = new QHBoxLayout(pickers);
    pickerLayout->setContentsMargins(0, 0, 0, 0);
    pickerLayout->addWidget(new QLabel(QStringLiteral("Hours"), pickers));
    pickerLayout->addWidget(m_hours);
    pickerLayout->addWidget(new QLabel(QStringLiteral("Minutes"), pickers));
    pickerLayout->addWidget(m_minutes);
    pickerLayout->addStretch();
    addRow(syncGrid, pickers, QStringLiteral("Select frequency for syncing with Orrisfield"), this);
    syncGrid->setColumnStretch(0, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(general);
    layout->addWidget(sync);
    layout->addWidget(secretsBox(m_settings, this));
    layout->addStretch();

    connect(m_launchAtStartup, &QCheckBox::clicked, this, [this](bool checked) {
        if (!m_loginItem) {
            m_settings.setRunOnStartup(checked);
            return;
        }
        // The switch shows what the desktop will do at the next login, not what was asked.
        const LoginItemChange change = m_loginItem(checked);
        m_launchError->setText(change.error.value_or(QString()));
        m_launchError->setVisible(change.error.has_value());
        m_settings.setRunOnStartup(change.enabled);
    });
    connect(m_label, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_settings.setRollUpTaskBarLabel(text);
        // A longer label needs a wider status item; fit it once the typing pauses.
        m_viewModel->debounce(labelDebounceMs, [this] { Q_EMIT statusItemRefreshRequested(); });
    });
    connect(m_rollUp, &QCheckBox::clicked, this, [this](bool checked) {
        m_settings.setRollUp(checked);
        Q_EMIT statusItemRefreshRequested();
    });
    connect(m_manualSync, &QCheckBox::clicked, this, [this](bool checked) {
        m_settings.setFrequencyManual(checked);
        m_stateManager.evaluateWatchState(false);
    });
    connect(m_hours, &QComboBox::activated, this, [this](int index) {
        FrequencySelection selection = m_settings.frequencySelection();
        selection.hourValue = m_hours->itemData(index).toInt();
        m_settings.setFrequencySelection(selection);
    });
    connect(m_minutes, &QComboBox::activated, this, [this](int index) {
        FrequencySelection selection = m_settings.frequencySelection();
        selection.minuteValue = m_minutes->itemData(index).toInt();
        m_settings.setFrequencySelection(selection);
    });
    connect(m_panel, &QComboBox::activated, this, [this](int index) {
        m_settings.setPanelShade(static_cast<PanelShade>(m_panel->itemData(index).toInt()));
    });
    connect(&m_settings, &CVNSettings::panelShadeChanged, this, &GeneralSettingsView::refresh);
    for (auto signal : {&CVNSettings::runOnStartupChanged, &CVNSettings::rollUpChanged,
                        &CVNSettings::frequencyManualChanged})
        connect(&m_settings, signal, this, &GeneralSettingsView::refresh);
    connect(&m_settings, &CVNSettings::accountSettingsChanged, this, &GeneralSettingsView::refresh);
    connect(&m_settings, &CVNSettings::rollUpTaskBarLabelChanged, this,
            &GeneralSettingsView::refresh);
    connect(&m_settings, &CVNSettings::frequencySelectionChanged, this,
            &GeneralSettingsView::refresh);
    refresh();
}

void GeneralSettingsView::refresh()
{
    m_launchAtStartup->setChecked(m_settings.runOnStartup());
    if (m_label->text() != m_settings.rollUpTaskBarLabel())
        m_label->setText(m_settings.rollUpTaskBarLabel());
    m_rollUp->setChecked(m_settings.rollUp());
    // A roll-up that is on but no longer allowed can still be switched off, never on.
    m_rollUp->setEnabled(isRollUpAllowed(m_settings) || m_settings.rollUp());
    m_manualSync->setChecked(m_settings.frequencyManual());
    const FrequencySelection selection = m_settings.frequencySelection();
    const int hour = frequencyHourFrom(selection.hourValue) ? selection.hourValue : 0;
    const int minute = frequencyMinuteFrom(selection.minuteValue) ? selection.minuteValue : 1;
    m_hours->setCurrentIndex(m_hours->findData(hour));
    m_minutes->setCurrentIndex(m_minutes->findData(minute));
    m_panel->setCurrentIndex(m_panel->findData(static_cast<int>(m_settings.panelShade())));
}

} // namespace corvane
