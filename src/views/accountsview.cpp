#include "accountsview.h"

#include "accountdetailsform.h"
#include "app/globaldata.h"
#include "base/log.h"
#include "brokerlistsheet.h"
#include "firstrunsheet.h"
#include "models/accountverifier.h"
#include "settings/settings.h"
#include "settingsstyle.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace corvane {

namespace {

constexpr std::chrono::milliseconds debounceMs{500};

QString flagText(bool flag)
{
    return flag ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace

AccountsView::AccountsView(CVNSettings& settings, AccountVerifier& verifier,
                           bool shouldShowModalOnLoad, QWidget* parent)
    : QWidget(parent)
    , m_settings(settings)
    , m_verifier(verifier)
    , m_shouldShowModalOnLoad(shouldShowModalOnLoad)
    , m_viewModel(new ViewModel(this))
    , m_add(new QToolButton(this))
    , m_table(new QTableWidget(this))
    , m_remove(new QPushButton(QStringLiteral("Remove"), this))
    , m_brokers(new QPushButton(QStringLiteral("Brokers"), this))
    , m_form(new AccountDetailsForm(settings, verifier, this))
{
    setObjectName(QStringLiteral("accountsView"));
    auto* header = new QLabel(QStringLiteral("Orrisfield accounts"), this);
    QFont bold = header->font();
    bold.setBold(true);
    header->setFont(bold);
    m_add->setObjectName(QStringLiteral("addAccountButton"));
    m_add->setText(QStringLiteral("Add"));
    m_add->setAccessibleName(QStringLiteral("Add"));
    m_add->setAutoRaise(true);
    m_add->setFocusPolicy(Qt::StrongFocus);
    m_add->setIcon(QIcon::fromTheme(QStringLiteral("list-add")));
    m_add->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);

    m_table->setObjectName(QStringLiteral("accountsTable"));
    m_table->setAccessibleName(QStringLiteral("Orrisfield accounts"));
    m_table->setColumnCount(4);
    m_table->setHorizontalHeaderLabels({QStringLiteral("Nickname"), QStringLiteral("Watch Account"),
                                        QStringLiteral("Verified"), QStringLiteral("Trade Type")});
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_table->setMinimumHeight(60);

    m_remove->setObjectName(QStringLiteral("removeAccountButton"));
    m_remove->setIcon(QIcon::fromTheme(QStringLiteral("edit-delete")));
    m_brokers->setObjectName(QStringLiteral("brokersButton"));
    m_brokers->setIcon(QIcon::fromTheme(QStringLiteral("view-list-details")));
    m_brokers->setDefault(false);
    m_brokers->setAutoDefault(false);

    auto* headerRow = new QHBoxLayout;
    headerRow->addWidget(header);
    headerRow->addWidget(infoButton(
        QStringLiteral("All your Orrisfield accounts. Select the Brokers button to manage brokers "
                       "in each account."),
        this));
    headerRow->addStretch();
    headerRow->addWidget(m_add);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(m_remove);
    buttonRow->addStretch();
    buttonRow->addWidget(m_brokers);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(headerRow);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttonRow);
    layout->addWidget(m_form);

    connect(m_add, &QToolButton::clicked, this, &AccountsView::addAccount);
    connect(m_remove, &QPushButton::clicked, this, &AccountsView::removeSelectedAccount);
    connect(m_brokers, &QPushButton::clicked, this, &AccountsView::showBrokers);
    connect(m_table, &QTableWidget::itemSelectionChanged, this, &AccountsView::onSelectionChanged);
    connect(m_table, &QTableWidget::cellActivated, this, &AccountsView::showBrokers);
    connect(m_form, &AccountDetailsForm::edited, this, &AccountsView::statusItemRefreshRequested);
    connect(m_form, &AccountDetailsForm::verificationStarted, this, &AccountsView::updateAddButton);
    connect(m_form, &AccountDetailsForm::verified, this, [this] {
        if (m_shouldShowModalOnLoad && !m_sheet) {
            m_sheet = new FirstRunSheet(FirstRunSheet::Kind::verified, this);
            m_sheet->setAttribute(Qt::WA_DeleteOnClose);
            m_sheet->open();
        }
        Q_EMIT statusItemRefreshRequested();
    });
    // Typing sends a change per keystroke; the table follows once the typing pauses.
    connect(&m_settings, &CVNSettings::accountSettingsChanged, this, [this] {
        m_viewModel->debounce(debounceMs, [this] {
            rebuildRows();
            Q_EMIT statusItemRefreshRequested();
        });
    });

    const AccountMap& accounts = m_settings.accountSettings();
    m_form->setAccountKey(accounts.isEmpty() ? QUuid::createUuid() : accounts.firstKey());
    rebuildRows();
}

AccountsView::~AccountsView() = default;

QUuid AccountsView::accountKey() const
{
    return m_form->accountKey();
}

void AccountsView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_appeared)
        return;
    m_appeared = true;
    if (!m_rows.isEmpty())
        logLine(QStringLiteral("Account rows: ") + QString::number(m_rows.size()));
    if (m_shouldShowModalOnLoad) {
        m_sheet = new FirstRunSheet(FirstRunSheet::Kind::welcome, this);
        m_sheet->setAttribute(Qt::WA_DeleteOnClose);
        // After the window itself is up, so the sheet sits over it.
        QTimer::singleShot(0, m_sheet.data(), [sheet = m_sheet] {
            if (sheet)
                sheet->open();
        });
    }
}

void AccountsView::rebuildRows()
{
    const QUuid keep = accountKey();
    m_rows = m_settings.makeAccountRows();
    const QSignalBlocker quiet(m_table);
    m_table->clearContents();
    m_table->setRowCount(static_cast<int>(m_rows.size()));
    int selectedRow = m_rows.isEmpty() ? -1 : 0;
    for (int row = 0; row < m_rows.size(); ++row) {
        const AccountRow& account = m_rows.at(row);
        m_table->setItem(row, 0, new QTableWidgetItem(account.nickname));
        m_table->setItem(row, 1, new QTableWidgetItem(flagText(account.watchAccount)));
        m_table->setItem(row, 2, new QTableWidgetItem(flagText(account.keyVerified)));
        m_table->setItem(row, 3, new QTableWidgetItem(account.paperLiveBoth));
        if (account.id == keep)
            selectedRow = row;
    }
    if (selectedRow >= 0)
        m_table->selectRow(selectedRow);
    else
        m_table->clearSelection();
    // The signals were blocked, so the form is told here.
    onSelectionChanged();
    updateAddButton();
}

void AccountsView::updateAddButton()
{
    const AccountMap& accounts = m_settings.accountSettings();
    // One unverified account at a time: a second one would only hide the first.
    const bool anyUnverified = std::any_of(accounts.cbegin(), accounts.cend(),
                                           [](const AccountSettings& a) { return !a.keyVerified; });
    m_add->setEnabled(!anyUnverified);
}

void AccountsView::selectAccount(const QUuid& id)
{
    m_form->setAccountKey(id);
    rebuildRows();
}

void AccountsView::onSelectionChanged()
{
    const QList<QTableWidgetSelectionRange> ranges = m_table->selectedRanges();
    const int row = ranges.isEmpty() ? -1 : ranges.first().topRow();
    const bool selected = row >= 0 && row < m_rows.size();
    m_remove->setEnabled(selected);
    m_brokers->setEnabled(selected);
    if (selected && m_rows.at(row).id != m_form->accountKey())
        m_form->setAccountKey(m_rows.at(row).id);
    else if (!selected && m_rows.isEmpty())
        m_form->setAccountKey(QUuid());
}

void AccountsView::addAccount()
{
    selectAccount(m_settings.addAccount());
}

void AccountsView::removeSelectedAccount()
{
    const QUuid id = accountKey();
    const auto row = std::find_if(m_rows.cbegin(), m_rows.cend(),
                                  [&id](const AccountRow& r) { return r.id == id; });
    if (row == m_rows.cend())
        return;
    auto* box =
        new QMessageBox(QMessageBox::Warning, QStringLiteral("Confirm Removal"),
                        QStringLiteral("Are you sure you want to remove account: ") + row->nickname,
                        QMessageBox::NoButton, this);
    box->setObjectName(QStringLiteral("confirmRemoval"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    QPushButton* remove = box->addButton(QStringLiteral("Remove"), QMessageBox::AcceptRole);
    box->addButton(QMessageBox::Cancel);
    box->setDefaultButton(remove);
    connect(remove, &QPushButton::clicked, this, [this, id] { removeAccount(id); });
    box->open();
}

void AccountsView::removeAccount(const QUuid& id)
{
    m_verifier.removeAccount(id);
    m_rows = m_settings.makeAccountRows();
    m_form->setAccountKey(m_rows.isEmpty() ? QUuid() : m_rows.first().id);
    rebuildRows();
    Q_EMIT statusItemRefreshRequested();
}

void AccountsView::showBrokers()
{
    const QUuid id = accountKey();
    if (!m_settings.accountSettings().contains(id) || m_brokerSheet)
        return;
    m_brokerSheet = new BrokerListSheet(m_settings, id, this);
    m_brokerSheet->setAttribute(Qt::WA_DeleteOnClose);
    m_brokerSheet->open();
}

} // namespace corvane
