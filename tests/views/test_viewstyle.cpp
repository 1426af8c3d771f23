#include "support/testregistry.h"
#include "views/appearance.h"

#include <QCheckBox>
#include <QTest>

using namespace corvane;

class ViewStyleTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // An empty check box must stand out from its window in both appearances: its outline is the
    // only thing that shows it is there.
    void emptyCheckBoxIsVisible_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }
    void emptyCheckBoxIsVisible()
    {
        QFETCH(bool, dark);
        const QPalette palette = paletteFor(dark ? Appearance::dark : Appearance::light);
        QCheckBox box;
        box.setPalette(palette);
        box.setAutoFillBackground(true);
        const QImage image = box.grab().toImage();
        const int window = palette.color(QPalette::Window).lightness();
        int strongest = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < 20 && x < image.width(); ++x)
                strongest =
                    std::max(strongest, std::abs(image.pixelColor(x, y).lightness() - window));
        }
        QVERIFY2(strongest >= 40, qPrintable(QStringLiteral("contrast %1").arg(strongest)));
    }
};

CORVANE_TEST(ViewStyleTest)
#include "test_viewstyle.moc"
