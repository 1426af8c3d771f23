#include "models/statuslabelpresenter.h"
#include "status_bar/statuslabelview.h"
#include "support/testclock.h"
#include "support/testcore.h"
#include "support/testregistry.h"

#include <QSignalSpy>
#include <QTest>

using namespace corvane;
using namespace Qt::StringLiterals;

namespace {

// The label over the root's stores, one watched broker showing $5. The root fills a result for
// each enabled broker once the accounts change, so the rig adds its own first.
struct Rig {
    Rig()
    {
        data->setTotal(5.0);
        core->store().addProcessedData(u"7"_s, data);
        AccountSettings account = AccountSettings::newAccount();
        BrokerSettings broker;
        broker.brokerNumber = u"7"_s;
        broker.nickname = u"IRA"_s;
        broker.enabled = broker.watch = true;
        account.brokerSettings = {broker};
        core->settings().setAccountSettings({{account.accountName, account}});
        QTRY_COMPARE(presenter.labels().value(0).value, u"$5"_s);
    }

    test::TestClock clock{test::newYork(2024, 6, 18, 12, 0)};
    test::TestCore core{clock.clock()};
    StatusLabelPresenter presenter{core->store(), core->settings(), core->market()};
    StatusLabelView view{presenter};
    std::shared_ptr<ProcessedData> data = std::make_shared<ProcessedData>();
};

} // namespace

class StatusLabelViewTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Each change of the total turns the label once: forwards, then backwards, and the
    // picture is redrawn along the way.
    void flipsForwardsThenBackwards()
    {
        Rig rig;
        QList<qreal> angles;
        connect(&rig.view, &StatusLabelView::imageChanged, this,
                [&] { angles.append(rig.view.angle(u"7"_s)); });

        rig.data->setTotal(7.0);
        QTRY_COMPARE(rig.view.angle(u"7"_s), 360.0);
        QVERIFY(angles.size() > 3);
        QVERIFY(std::is_sorted(angles.cbegin(), angles.cend()));
        QVERIFY(
            std::any_of(angles.cbegin(), angles.cend(), [](qreal a) { return a > 90 && a < 270; }));

        angles.clear();
        rig.data->setTotal(9.0);
        QTRY_COMPARE(rig.view.angle(u"7"_s), 0.0);
        QVERIFY(angles.size() > 3);
        QVERIFY(std::is_sorted(angles.crbegin(), angles.crend()));
    }

    // The item is fitted after a text change, a moment later rather than at once; the
    // triangle's appearance and removal each fit it too.
    void asksForResizeAfterChanges()
    {
        Rig rig;
        QSignalSpy resized(&rig.view, &StatusLabelView::resizeRequested);
        QTRY_COMPARE(resized.count(), 1); // the first label's arrival
        resized.clear();
        const int narrow = rig.view.image().width();
        rig.data->setTotal(-123456.0);
        QTRY_COMPARE(resized.count(), 1);
        QVERIFY(rig.view.image().width() > narrow);

        rig.presenter.setHasError(true);
        QCOMPARE(resized.count(), 2);
        rig.presenter.setHasError(false);
        QTRY_COMPARE(resized.count(), 3);

        rig.view.setAppearance(Appearance::dark);
        QTest::qWait(int(2 * StatusLabelView::resizeDelay.count()));
        QCOMPARE(resized.count(), 3);
    }
};

CORVANE_TEST(StatusLabelViewTest)
#include "test_statuslabelview.moc"
