#pragma once

#include "settings/accountsettings.h"

#include <QList>
#include <QPointer>
#include <QUuid>
#include <QWidget>

class QPushButton;
class QTableWidget;
class QToolButton;

namespace corvane {

class AccountDetailsForm;
class AccountVerifier;
class BrokerListSheet;
class CVNSettings;
class FirstRunSheet;
class ViewModel;

// The accounts tab: the table of Orrisfield accounts, adding and removing them, their broker
// lists and the details form of the selected one. In the first-run window it also greets the
// user and confirms the first verified key.
class AccountsView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AccountsView)

public:
    AccountsView(CVNSettings& settings, AccountVerifier& verifier, bool shouldShowModalOnLoad,
                 QWidget* parent = nullptr);
    ~AccountsView() override;

    QUuid accountKey() const;
    const QList<AccountRow>& accountRows() const { return m_rows; }
    AccountDetailsForm* detailsForm() const { return m_form; }

    void addAccount();
    // Asks for confirmation first.
    void removeSelectedAccount();
    void showBrokers();

Q_SIGNALS:
    // The status item should re-prime its entries and fit its label again.
    void statusItemRefreshRequested();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void rebuildRows();
    void selectAccount(const QUuid& id);
    void onSelectionChanged();
    void removeAccount(const QUuid& id);
    void updateAddButton();

    CVNSettings& m_settings;
    AccountVerifier& m_verifier;
    bool m_shouldShowModalOnLoad;
    bool m_appeared = false;
    QList<AccountRow> m_rows;
    ViewModel* m_viewModel;
    QToolButton* m_add;
    QTableWidget* m_table;
    QPushButton* m_remove;
    QPushButton* m_brokers;
    AccountDetailsForm* m_form;
    QPointer<BrokerListSheet> m_brokerSheet;
    QPointer<FirstRunSheet> m_sheet;
};

} // namespace corvane
