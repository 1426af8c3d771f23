#include "labelrig.h"
#include "status_bar/statuslabelview.h"
#include "support/testregistry.h"

#include <QSignalSpy>
#include <QTest>

using namespace corvane;
using namespace Qt::StringLiterals;

namespace {

// The label over one watched broker showing $5.
struct Rig : test::LabelRig {
    Rig()
    {
        setBrokers({{test::broker(u"7"_s, u"IRA"_s, true, true)}});
        QTRY_COMPARE(presenter.labels().value(0).value, u"$5"_s);
    }

    std::shared_ptr<ProcessedData> data = add(u"7"_s, 5.0);
    StatusLabelView view{presenter};
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
