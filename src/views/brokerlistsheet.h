#pragma once

#include <QDialog>
#include <QUuid>

class QCheckBox;
class QTableWidget;

namespace corvane {

class CVNSettings;

// The broker connections of one account, where the user picks whose tallies are watched. It
// never adds, removes or renames a broker: those come from the platform.
class BrokerListSheet final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BrokerListSheet)

public:
    BrokerListSheet(CVNSettings& settings, const QUuid& accountId, QWidget* parent = nullptr);

    int watchCount() const { return m_watchCount; }

    // Long broker numbers are account identifiers: only their last three characters show.
    static QString maskedBrokerNumber(const QString& number);

private:
    void rebuild();
    void setWatch(const QUuid& brokerId, bool watch);

    CVNSettings& m_settings;
    QUuid m_accountId;
    int m_watchCount = 0;
    QCheckBox* m_hideDisabled;
    QTableWidget* m_table;
};

} // namespace corvane
