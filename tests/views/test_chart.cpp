#include "models/historyfeed.h"
#include "support/testclock.h"
#include "support/testregistry.h"
#include "viewrig.h"
#include "views/chartplot.h"
#include "views/daychart.h"

#include <QLabel>
#include <QPainter>
#include <QTest>
#include <QToolButton>

using namespace corvane;
using namespace corvane::test;
using namespace Qt::StringLiterals;

namespace {

DayCurve session(QList<HistoryPoint> points)
{
    return {QDate(2026, 12, 4), newYork(2026, 12, 4, 9, 30), newYork(2026, 12, 4, 16, 0),
            std::move(points)};
}

// Pinned rather than read from the palette, so a changed colour fails here.
const QColor lightGain(0x28, 0xA7, 0x45);
const QColor lightLoss(0xBF, 0x4C, 0x4C);

bool near(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance &&
           std::abs(qAlpha(a) - qAlpha(b)) <= tolerance;
}

QImage render(const ChartPlot& plot, qreal ratio, Appearance appearance)
{
    QImage image(plot.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(appearance == Appearance::dark ? QColor(40, 40, 42) : QColor(246, 246, 246));
    QPainter painter(&image);
    plot.paint(painter);
    return image;
}

// The rows of the plot's pixels that are drawn in a colour, top to bottom. The tolerance takes in
// a line lying across two rows of pixels but not the pale shading under it.
QList<int> rowsIn(const QImage& image, const QColor& color)
{
    QList<int> rows;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (near(image.pixel(x, y), color.rgba(), 28)) {
                rows.append(y);
                break;
            }
        }
    }
    return rows;
}

} // namespace

// The popover's chart: golden pictures, its scale in the awkward cases, the pointer and the toggle.
class ChartTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The pictures hold only the plot area: axis texts differ with the machine's font rendering.
    // After a deliberate change to the drawing, run the test once with CORVANE_UPDATE_GOLDEN=1
    // to write tests/views/golden/*.png anew, look at them, and commit them.
    void matchesGoldenImages_data()
    {
        QTest::addColumn<bool>("closes");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<Appearance>("appearance");
        QTest::newRow("day-light-1") << false << 1.0 << Appearance::light;
        QTest::newRow("day-dark-2") << false << 2.0 << Appearance::dark;
        QTest::newRow("closes-light-2") << true << 2.0 << Appearance::light;
        QTest::newRow("closes-dark-1") << true << 1.0 << Appearance::dark;
    }
    void matchesGoldenImages()
    {
        QFETCH(bool, closes);
        QFETCH(qreal, ratio);
        QFETCH(Appearance, appearance);
        ChartPlot plot(appearance);
        plot.resize(400, 120);
        plot.setDay(earlyCloseDay());
        plot.setCloses(monthOfCloses());
        plot.setMode(closes ? ChartPlot::Mode::closes : ChartPlot::Mode::day);
        const QRectF area = plot.plotArea();
        const QImage drawn =
            render(plot, ratio, appearance)
                .copy(QRectF(area.topLeft() * ratio, area.size() * ratio).toAlignedRect())
                .convertToFormat(QImage::Format_ARGB32);

        const QString name = QString::fromLatin1(QTest::currentDataTag()) + u".png"_s;
        const QString golden = QStringLiteral(QT_TESTCASE_SOURCEDIR "/golden/") + name;
        if (qEnvironmentVariableIsSet("CORVANE_UPDATE_GOLDEN"))
            QVERIFY(drawn.save(golden));
        const QImage expected = QImage(golden).convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(drawn.size(), expected.size());
        int differing = 0;
        for (int y = 0; y < drawn.height(); ++y) {
            for (int x = 0; x < drawn.width(); ++x)
                differing += near(drawn.pixel(x, y), expected.pixel(x, y), 24) ? 0 : 1;
        }
        if (differing > 0)
            drawn.save(screenshotPath(u"golden-failed-"_s + name));
        QCOMPARE(differing, 0);
    }

    // Checked in the picture: where the line lies, in which colour, against the zero line.
    void scalesEveryKindOfDay()
    {
        ChartPlot plot(Appearance::light);
        plot.resize(400, 120);
        const QRectF area = plot.plotArea();
        const double middle = area.center().y();

        // Nothing recorded yet: nothing drawn in either colour, and no division by an empty span.
        plot.setDay(session({}));
        QImage image = render(plot, 1, Appearance::light);
        QVERIFY(rowsIn(image, lightGain).isEmpty() && rowsIn(image, lightLoss).isEmpty());

        // One point and a flat day sit in the middle, a gain in green, a loss and zero in red.
        for (const auto& [total, readings] :
             {std::pair{35.0, 1}, {50.0, 3}, {-50.0, 3}, {0.0, 3}}) {
            QList<HistoryPoint> points;
            for (int hour = 10; hour < 10 + 2 * readings; hour += 2)
                points.append({newYork(2026, 12, 4, hour), total});
            plot.setDay(session(points));
            image = render(plot, 1, Appearance::light);
            const QList<int> rows = rowsIn(image, total > 0 ? lightGain : lightLoss);
            QVERIFY(rowsIn(image, total > 0 ? lightLoss : lightGain).isEmpty());
            QVERIFY2(!rows.isEmpty() &&
                         std::abs((rows.first() + rows.last()) / 2.0 - middle) <= 2 &&
                         rows.last() - rows.first() <= 8,
                     qPrintable(QString::number(total)));
        }
        // A day that stays above zero keeps zero on its scale: its low is well off the floor.
        plot.setDay(session({{newYork(2026, 12, 4, 10), 100}, {newYork(2026, 12, 4, 12), 200}}));
        const QList<int> rising = rowsIn(render(plot, 1, Appearance::light), lightGain);
        QVERIFY(!rising.isEmpty() && rising.last() < area.bottom() - area.height() * 0.3);

        // A day crossing zero: green only above the zero line, red only below; the high reaches
        // near the top and the low near the bottom, neither leaves the plot.
        plot.setDay(earlyCloseDay());
        image = render(plot, 1, Appearance::light);
        const QList<int> gain = rowsIn(image, lightGain);
        const QList<int> loss = rowsIn(image, lightLoss);
        QVERIFY(!gain.isEmpty() && !loss.isEmpty());
        QVERIFY(gain.last() < loss.first());
        QVERIFY(gain.first() >= area.top() && gain.first() < area.top() + area.height() * 0.2);
        QVERIFY(loss.last() <= area.bottom() && loss.last() > area.bottom() - area.height() * 0.2);
    }

    void hoverToggleAndFeed()
    {
        HistoryFeed feed;
        feed.setDay(u"B1"_s, earlyCloseDay());
        feed.setCloses(u"B1"_s, monthOfCloses());
        DayChart chart(feed, u"B1"_s, Appearance::light);
        chart.resize(420, 180);
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        const auto* title = chart.findChild<QLabel*>(u"chartTitle"_s);
        const auto* extremes = chart.findChild<QLabel*>(u"chartExtremes"_s);
        // An afternoon's session shown in its own New York times, though the suite runs in Tokyo.
        QCOMPARE(title->text(), u"Fri, Nov 27"_s);
        QCOMPARE(plainText(extremes->text()), u"High $261 at 10:30a · Low ($150) at 12:15p"_s);

        // The pointer picks the nearest point: the middle of 9:30 to 1:00 is 11:15.
        ChartPlot* plot = chart.plot();
        const QRectF area = plot->plotArea();
        QTest::mouseMove(plot, QPoint(int(area.center().x()), int(area.center().y())));
        QCOMPARE(plot->hoverText(), u"11:10a  $40"_s);
        QTest::mouseMove(plot, QPoint(int(area.right()) - 1, 20));
        QCOMPARE(plot->hoverText(), u"12:50p  ($20)"_s);
        QVERIFY(saveScreenshot(chart, u"chart-hover"_s, Appearance::light));
        pointerLeaves(*plot);
        QCOMPARE(plot->hoverText(), QString());

        QTest::mouseClick(chart.findChild<QToolButton*>(u"chartClosesButton"_s), Qt::LeftButton);
        QVERIFY(chart.showsCloses());
        QCOMPARE(title->text(), u"Last 30 trading days"_s);
        QTest::mouseMove(plot, QPoint(int(area.right()) - 2, 40));
        QCOMPARE(plot->hoverText(), u"Dec 4  $17"_s);
        QTest::mouseMove(plot, QPoint(int(area.left()) + 2, 40));
        QCOMPARE(plot->hoverText(), u"Oct 26  ($110)"_s);
        QVERIFY(saveScreenshot(chart, u"chart-closes"_s, Appearance::light));
        QTest::mouseClick(chart.findChild<QToolButton*>(u"chartDayButton"_s), Qt::LeftButton);
        QVERIFY(!chart.showsCloses());

        // The broker's news redraws the header at once.
        feed.setDay(u"B1"_s, session({{newYork(2026, 12, 4, 9, 45), 12}}));
        QCOMPARE(title->text(), u"Fri, Dec 4"_s);
        QCOMPARE(plainText(extremes->text()), u"Flat at $12"_s);
    }
};

CORVANE_TEST(ChartTest)
#include "test_chart.moc"
