#pragma once

#include "models/statuslabelpresenter.h"
#include "support/testclock.h"
#include "support/testcore.h"

#include <QCoreApplication>

namespace corvane::test {

inline BrokerSettings broker(const QString& number, const QString& nickname, bool enabled,
                             bool watch, const QString& name = QStringLiteral("Broker"))
{
    BrokerSettings b;
    b.brokerNumber = number;
    b.brokerName = name;
    b.nickname = nickname;
    b.enabled = enabled;
    b.watch = watch;
    return b;
}

// The label presenter over the root's stores, on a Tuesday noon. The root fills a result for
// each enabled broker once the accounts change, so tests add their own results first.
struct LabelRig {
    // One verified account per list.
    void setBrokers(const QList<QList<BrokerSettings>>& perAccount)
    {
        AccountMap accounts;
        for (const auto& brokers : perAccount) {
            AccountSettings account = AccountSettings::newAccount();
            account.keyVerified = true;
            account.brokerSettings = brokers;
            accounts.insert(account.accountName, account);
        }
        settings.setAccountSettings(accounts);
    }

    std::shared_ptr<ProcessedData> add(const QString& id, std::optional<double> total)
    {
        auto data = std::make_shared<ProcessedData>();
        data->setTotal(total);
        store.addProcessedData(id, data);
        return data;
    }

    // Lets queued registrations and the folded recomputation run.
    void settle()
    {
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }

    // Each label as "name|value|+" (green) or "name|value|-".
    QStringList shown() const
    {
        QStringList lines;
        for (const StatusLabel& label : presenter.labels())
            lines.append(label.nickname + QLatin1Char('|') + label.value +
                         (label.positive ? QStringLiteral("|+") : QStringLiteral("|-")));
        return lines;
    }

    TestClock clock{newYork(2024, 6, 18, 12, 0)};
    TestCore core{clock.clock()};
    CVNSettings& settings = core->settings();
    ProcessedDataManager& store = core->store();
    StatusLabelPresenter presenter{store, settings, core->market()};
};

} // namespace corvane::test
