#include "models/statuslabelpresenter.h"
#include "support/testclock.h"
#include "support/testcore.h"
#include "support/testregistry.h"

#include <QSignalSpy>
#include <QTest>

using namespace corvane;
using namespace Qt::StringLiterals;

namespace {

using Total = std::optional<double>;

BrokerSettings broker(const QString& number, const QString& nickname, bool enabled, bool watch,
                      const QString& name = QStringLiteral("Broker"))
{
    BrokerSettings b;
    b.brokerNumber = number;
    b.brokerName = name;
    b.nickname = nickname;
    b.enabled = enabled;
    b.watch = watch;
    return b;
}

// The presenter over the root's stores, on a Tuesday noon. The root fills a result for each
// enabled broker once the accounts change, so tests add their own results first.
struct Rig {
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

    std::shared_ptr<ProcessedData> add(const QString& id, Total total)
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

    QStringList shown() const
    {
        QStringList lines;
        for (const StatusLabel& label : presenter.labels())
            lines.append(label.nickname + QLatin1Char('|') + label.value +
                         (label.positive ? u"|+"_s : u"|-"_s));
        return lines;
    }

    test::TestClock clock{test::newYork(2024, 6, 18, 12, 0)};
    test::TestCore core{clock.clock()};
    CVNSettings& settings = core->settings();
    ProcessedDataManager& store = core->store();
    StatusLabelPresenter presenter{store, settings, core->market()};
};

} // namespace

class StatusLabelPresenterTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // One label per watched broker, by id; names fall back from nickname to broker name to
    // "OF"; an unwatched entry shows nothing unless it is the only one.
    void perBrokerLabels()
    {
        Rig rig;
        rig.add(u"333"_s, 5.5);
        rig.add(u"222"_s, 40.0);
        rig.add(u"111"_s, -3.0);
        rig.setBrokers(
            {{broker(u"222"_s, u"Off"_s, true, false), broker(u"111"_s, u"IRA"_s, true, true)},
             {broker(u"333"_s, u""_s, true, true, u"tastytrade"_s)}});
        rig.settle();
        QCOMPARE(rig.shown(), QStringList({u"IRA|($3)|-"_s, u"tastytrade|$6|+"_s}));

        Rig lone;
        lone.add(u"111"_s, Total());
        lone.setBrokers({{broker(u"111"_s, u"IRA"_s, true, false)}});
        lone.settle();
        QCOMPARE(lone.shown(), QStringList({u"No verified accounts|No data|-"_s}));

        Rig empty;
        empty.settle();
        QVERIFY(empty.presenter.labels().isEmpty());
        QCOMPARE(empty.presenter.summary(), QStringLiteral("No verified accounts"));
    }

    // The roll-up counts only brokers that would have their own label; an absent total is 0.
    void rollUpSumsWatchedBrokers()
    {
        Rig rig;
        rig.settings.setRollUpTaskBarLabel(QStringLiteral("All"));
        rig.settings.setRollUp(true);
        rig.add(u"1"_s, 10.0);
        rig.add(u"2"_s, Total());
        rig.add(u"3"_s, -25.0);
        rig.add(u"4"_s, 1000.0);
        rig.add(u"5"_s, 1000.0);
        rig.add(u"stale"_s, 1000.0);
        rig.setBrokers({{broker(u"1"_s, u"a"_s, true, true), broker(u"2"_s, u"b"_s, true, true),
                         broker(u"3"_s, u"c"_s, true, true), broker(u"4"_s, u"off"_s, false, true),
                         broker(u"5"_s, u"unwatched"_s, true, false)}});
        rig.settle();
        QCOMPARE(rig.shown(), QStringList({u"All|($15)|-"_s}));

        rig.settings.setRollUp(false);
        rig.settle();
        QCOMPARE(rig.presenter.labels().size(), 3);
    }

    // A pass copies tallies broker by broker: the presenter answers once, and only labels
    // whose total moved turn over.
    void foldsChangesAndFlipsMovedTotals()
    {
        Rig rig;
        auto first = rig.add(u"1"_s, 5.0);
        auto second = rig.add(u"2"_s, 8.0);
        rig.setBrokers({{broker(u"1"_s, u"a"_s, true, true), broker(u"2"_s, u"b"_s, true, true)}});
        rig.settle();
        QSignalSpy changed(&rig.presenter, &StatusLabelPresenter::labelsChanged);
        QSignalSpy flipped(&rig.presenter, &StatusLabelPresenter::totalChanged);

        first->setTotal(7.0);
        second->setTotal(8.0);
        first->setTotal(7.25);
        rig.settle();
        QCOMPARE(changed.count(), 1);
        QCOMPARE(flipped.count(), 1);
        QCOMPARE(flipped.at(0).at(0).toString(), QStringLiteral("1"));
        QCOMPARE(rig.shown().first(), QStringLiteral("a|$8|+"));

        // Same text, new total: still a change of the total, so still a turn.
        first->setTotal(7.5);
        rig.settle();
        QCOMPARE(flipped.count(), 2);
    }
};

CORVANE_TEST(StatusLabelPresenterTest)
#include "test_statuslabelpresenter.moc"
