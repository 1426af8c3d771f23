#include "shell/placement.h"
#include "support/testregistry.h"

#include <QTest>

using namespace corvane;

class PlacementTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void opensBesideTheItem_data()
    {
        QTest::addColumn<QRect>("anchor");
        QTest::addColumn<QPoint>("click");
        QTest::addColumn<QPoint>("expected");
        const QPoint none;
        // Screen 0,0 1000x800; popup 400x300.
        QTest::newRow("below a top bar item") << QRect(500, 0, 60, 24) << none << QPoint(329, 24);
        QTest::newRow("kept on screen at the right edge")
            << QRect(960, 0, 40, 24) << none << QPoint(600, 24);
        QTest::newRow("above a bottom bar item")
            << QRect(100, 776, 60, 24) << none << QPoint(0, 476);
        QTest::newRow("host gives only the pointer, top")
            << QRect() << QPoint(700, 10) << QPoint(500, 10);
        QTest::newRow("host gives only the pointer, bottom")
            << QRect() << QPoint(200, 790) << QPoint(0, 490);
    }
    void opensBesideTheItem()
    {
        QFETCH(QRect, anchor);
        QFETCH(QPoint, click);
        QFETCH(QPoint, expected);
        QCOMPARE(popupPosition(QSize(400, 300), anchor, click, QRect(0, 0, 1000, 800)), expected);
    }
};

CORVANE_TEST(PlacementTest)
#include "test_placement.moc"
