#include "status_bar/labelpainter.h"
#include "support/testregistry.h"
#include "viewrig.h"

#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QTest>

using namespace corvane;
using namespace Qt::StringLiterals;

namespace {

StatusLabel label(const QString& id, const QString& nickname, double total)
{
    return {id, nickname, StatusLabelPresenter::formatTotal(total, MarketState::open), total,
            total > 0};
}

// Nearly opaque pixels close to one colour inside a band of rows (as fractions of the height).
int countColor(const QImage& image, const QColor& color, qreal fromRow, qreal toRow)
{
    int count = 0;
    for (int y = int(fromRow * image.height()); y < int(toRow * image.height()); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            count += pixel.alpha() >= 160 && std::abs(pixel.red() - color.red()) <= 6 &&
                     std::abs(pixel.green() - color.green()) <= 6 &&
                     std::abs(pixel.blue() - color.blue()) <= 6;
        }
    }
    return count;
}

// For looking at: the label on a bar of its appearance, as a panel would show it.
void saveScreenshot(const QString& name, const QImage& image, Appearance appearance)
{
    QImage bar(image.size() + QSize(8, 8), QImage::Format_ARGB32);
    bar.fill(appearance == Appearance::dark ? QColor(43, 43, 43) : QColor(236, 236, 236));
    QPainter(&bar).drawImage(4, 4, image);
    bar.save(test::screenshotPath(name));
}

} // namespace

class LabelPainterTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QGuiApplication::setFont(QFont(u"DejaVu Sans"_s)); }

    // The row is as wide as its labels, and drawn at the screen's density.
    void sizesFollowContentAndDensity()
    {
        const StatusLabel short_ = label(u"1"_s, u"A"_s, 5);
        const StatusLabel long_ = label(u"2"_s, u"A"_s, -123456789);
        const QImage one = LabelPainter::paintRow({short_}, false, Appearance::light, 1);
        const QImage wide = LabelPainter::paintRow({long_}, false, Appearance::light, 1);
        const QImage both = LabelPainter::paintRow({short_, long_}, false, Appearance::light, 1);
        QVERIFY(wide.width() > one.width() + 40);
        QVERIFY(std::abs(both.width() - one.width() - wide.width()) <= 1);
        QVERIFY(one.height() >= 20 && one.height() <= 26);
        QCOMPARE(one.width(), 25); // a short text keeps the 20-point minimum plus its padding

        const QImage sharp = LabelPainter::paintRow({long_}, false, Appearance::light, 2);
        QCOMPARE(sharp.devicePixelRatio(), 2.0);

        QVERIFY(LabelPainter::paintRow({}, false, Appearance::light, 1).isNull());
    }

    // Half a turn shows the label upside down: the amount's colour moves to the top half.
    // A quarter turn shows it edge on, nearly nothing.
    void flipTurnsAboutTheHorizontalAxis()
    {
        const StatusLabel l = label(u"1"_s, u"IRA"_s, 25);
        const QColor green = LabelPainter::colors(Appearance::light).positive;
        const QImage upright = LabelPainter::paintRow({l}, false, Appearance::light, 2);
        const QImage half = LabelPainter::paintRow({l}, false, Appearance::light, 2, {{l.id, 180}});
        const QImage edge = LabelPainter::paintRow({l}, false, Appearance::light, 2, {{l.id, 90}});
        const QImage full = LabelPainter::paintRow({l}, false, Appearance::light, 2, {{l.id, 360}});
        QVERIFY(countColor(half, green, 0, 0.45) > 20);
        QCOMPARE(countColor(half, green, 0.55, 1), 0);
        QCOMPARE(half.size(), upright.size());
        QVERIFY(countColor(edge, green, 0, 1) * 4 < countColor(upright, green, 0, 1));
        QCOMPARE(full, upright);

        // A label right of another turns about its own centre: mid-turn it is the picture it
        // makes alone, beside its neighbour, neither pushed aside nor cut off.
        const StatusLabel first = label(u"0"_s, u"A"_s, 5); // 25 points wide
        const StatusLabel second = label(u"2"_s, u"Margin"_s, -1234.5);
        for (const qreal angle : {45.0, 135.0, 300.0}) {
            const QHash<QString, qreal> turned{{second.id, angle}};
            const QImage alone =
                LabelPainter::paintRow({second}, false, Appearance::dark, 2, turned);
            const QImage row =
                LabelPainter::paintRow({first, second}, false, Appearance::dark, 2, turned);
            if (angle == 45.0)
                saveScreenshot(u"flip-second-45.png"_s, row, Appearance::dark);
            QCOMPARE(row.width(), 50 + alone.width());
            const QImage placed = row.copy(50, 0, alone.width(), alone.height());
            int differing = 0;
            for (int y = 0; y < alone.height(); ++y)
                for (int x = 0; x < alone.width(); ++x)
                    differing += qAlpha(placed.pixel(x, y)) != qAlpha(alone.pixel(x, y));
            QVERIFY2(differing <= alone.width() * alone.height() / 100,
                     qPrintable(u"%1 pixels differ at %2 degrees"_s.arg(differing).arg(angle)));
        }
    }

    // Pixel-exact pictures of the usual rows, light and dark, at densities 1 and 2: the name in
    // the appearance's text colour over the amount, green above zero and the loss colour
    // otherwise, and the warning triangle at the left. Set
    // CORVANE_UPDATE_GOLDEN=1 to redraw them after a deliberate change, then look at them.
    void matchesGoldenImages_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QList<StatusLabel>>("labels");
        QTest::addColumn<bool>("hasError");
        QTest::addColumn<Appearance>("appearance");
        QTest::addColumn<qreal>("ratio");
        const QList<StatusLabel> brokers{label(u"1"_s, u"IRA"_s, 1234.2),
                                         label(u"2"_s, u"Margin"_s, -35.2)};
        const QList<StatusLabel> rolled{label(StatusLabelPresenter::rollUpId, u"OF"_s, 0)};
        for (const qreal ratio : {1.0, 2.0}) {
            for (const Appearance appearance : {Appearance::light, Appearance::dark}) {
                const QString suffix =
                    u"%1-x%2"_s.arg(appearance == Appearance::dark ? u"dark"_s : u"light"_s,
                                    QString::number(ratio));
                QTest::addRow("brokers-%s", qPrintable(suffix))
                    << u"brokers-"_s + suffix << brokers << false << appearance << ratio;
                QTest::addRow("rollup-error-%s", qPrintable(suffix))
                    << u"rollup-error-"_s + suffix << rolled << true << appearance << ratio;
            }
        }
    }
    void matchesGoldenImages()
    {
        QFETCH(QString, name);
        QFETCH(QList<StatusLabel>, labels);
        QFETCH(bool, hasError);
        QFETCH(Appearance, appearance);
        QFETCH(qreal, ratio);
        const QImage image = LabelPainter::paintRow(labels, hasError, appearance, ratio)
                                 .convertToFormat(QImage::Format_ARGB32);
        const QString file = name + u".png"_s;
        saveScreenshot(file, image, appearance);
        const QString golden = qEnvironmentVariable("CORVANE_GOLDEN_DIR") + u'/' + file;
        if (qEnvironmentVariableIntValue("CORVANE_UPDATE_GOLDEN") == 1)
            QVERIFY(image.save(golden));
        const QImage expected = QImage(golden).convertToFormat(QImage::Format_ARGB32);
        QVERIFY2(!expected.isNull(), qPrintable(u"missing golden "_s + golden));
        QCOMPARE(image.size(), expected.size());
        int differing = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                differing += image.pixel(x, y) != expected.pixel(x, y);
        // Anti-aliasing may differ by a few edge pixels between FreeType builds.
        QVERIFY2(differing <= image.width() * image.height() / 100,
                 qPrintable(u"%1 pixels differ"_s.arg(differing)));
    }
};

CORVANE_TEST(LabelPainterTest)
#include "test_labelpainter.moc"
