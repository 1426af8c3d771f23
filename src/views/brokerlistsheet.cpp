#include "brokerlistsheet.h"

#include "settings/settings.h"
#include "settingsstyle.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace corvane {

QString BrokerListSheet::maskedBrokerNumber(const QString& number)
{
    if (number.size() < 4)
        return number;
    return QString(number.size() - 3, QLatin1Char('*')) + number.right(3);
}

BrokerListSheet::BrokerListSheet(CVNSettings& settings, const QUuid& accountId, QWidget* parent)
    : QDialog(parent)
    , m_settings(settings)
    , m_accountId(accountId)
    , m_hideDisabled(new QCheckBox(QStringLiteral("Hide disabled brokers"), this))
    , m_table(new QTableWidget(this))
{
    setObjectName(QStringLiteral("brokerListSheet"));
    setWindowTitle(QStringLiteral("Brokers"));
    setWindowModality(Qt::WindowModal);
    resize(640, 300);

    auto* title = new QLabel(QStringLiteral("Brokers"), this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    auto* note = new QLabel(QStringLiteral("Taskbar nicknames are taken from account names you "
                                           "set in Orrisfield for each account."),
                            this);
    note->setWordWrap(true);
    m_hideDisabled->setObjectName(QStringLiteral("hideDisabledBrokers"));

    m_table->setObjectName(QStringLiteral("brokersTable"));
    m_table->setAccessibleName(QStringLiteral("Brokers"));
    m_table->setColumnCount(5);
    m_table->setHorizontalHeaderLabels(
        {QStringLiteral("Taskbar nickname"), QStringLiteral("Broker number"),
         QStringLiteral("Broker name"), QStringLiteral("Broker enabled"),
         QStringLiteral("Watch Broker")});
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setStretchLastSection(true);

    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("closeButton"));
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(note);
    layout->addWidget(m_hideDisabled);
    layout->addWidget(m_table, 1);
    auto* footer = new QHBoxLayout;
    footer->addStretch();
    footer->addWidget(close);
    layout->addLayout(footer);

    connect(m_hideDisabled, &QCheckBox::toggled, this, [this](bool hide) {
        m_settings.setAccountValue(m_accountId, CVNSettings::AccountField::filterBrokers, hide);
    });
    // Queued: a Watch box that changes the store must not be replaced while it reports its click.
    connect(&m_settings, &CVNSettings::accountSettingsChanged, this, &BrokerListSheet::rebuild,
            Qt::QueuedConnection);
    rebuild();
}

void BrokerListSheet::rebuild()
{
    const auto account = m_settings.accountSettings().constFind(m_accountId);
    const bool found = account != m_settings.accountSettings().cend();
    const QList<BrokerSettings> brokers = found ? account->brokerSettings : QList<BrokerSettings>();
    const bool hideDisabled = found && account->filterBrokers;
    {
        const QSignalBlocker quiet(m_hideDisabled);
        m_hideDisabled->setChecked(hideDisabled);
    }
    m_hideDisabled->setEnabled(found);

    // Hidden brokers still count: a watched one keeps its tally in the status bar.
    m_watchCount = static_cast<int>(std::count_if(brokers.cbegin(), brokers.cend(),
                                                  [](const BrokerSettings& b) { return b.watch; }));

    QList<BrokerSettings> shown;
    for (const BrokerSettings& broker : brokers) {
        if (!hideDisabled || broker.enabled)
            shown << broker;
    }
    // Replaced boxes linger until deleted later; they must not answer to a broker's name.
    for (int row = 0; row < m_table->rowCount(); ++row) {
        if (QWidget* old = m_table->cellWidget(row, 4))
            old->setObjectName(QString());
    }
    m_table->setRowCount(static_cast<int>(shown.size()));
    for (int row = 0; row < shown.size(); ++row) {
        const BrokerSettings& broker = shown.at(row);
        auto* nickname = new QTableWidgetItem(
            broker.nickname.isEmpty() ? QStringLiteral("Update at OF") : broker.nickname);
        if (broker.nickname.isEmpty())
            nickname->setForeground(isDarkAppearance(this) ? QColor(0xf5, 0xc8, 0x1b)
                                                           : QColor(0xb8, 0x8a, 0x00));
        m_table->setItem(row, 0, nickname);
        m_table->setItem(row, 1, new QTableWidgetItem(maskedBrokerNumber(broker.brokerNumber)));
        m_table->setItem(row, 2, new QTableWidgetItem(broker.brokerName));
        m_table->setItem(row, 3,
                         new QTableWidgetItem(broker.enabled ? QStringLiteral("True")
                                                             : QStringLiteral("False")));
        auto* watch = new QCheckBox(QStringLiteral("Watch"), m_table);
        watch->setObjectName(QStringLiteral("watchBroker_") + broker.brokerNumber);
        watch->setAccessibleName(QStringLiteral("Watch ") +
                                 (broker.nickname.isEmpty() ? broker.brokerName : broker.nickname));
        watch->setChecked(broker.watch);
        // The only watched broker stays watched, so the account keeps a tally.
        watch->setEnabled(broker.enabled && !(broker.watch && m_watchCount == 1));
        const QUuid brokerId = broker.id;
        connect(watch, &QCheckBox::clicked, this,
                [this, brokerId](bool checked) { setWatch(brokerId, checked); });
        m_table->setCellWidget(row, 4, watch);
    }
}

void BrokerListSheet::setWatch(const QUuid& brokerId, bool watch)
{
    auto account = m_settings.accountSettings().constFind(m_accountId);
    if (account == m_settings.accountSettings().cend())
        return;
    AccountSettings changed = *account;
    for (BrokerSettings& broker : changed.brokerSettings) {
        if (broker.id == brokerId) {
            broker.watch = watch;
            // The store announces the change, which rebuilds the rows and watchCount.
            m_settings.setAccount(changed);
            return;
        }
    }
}

} // namespace corvane
