#include "support/testregistry.h"
#include "viewrig.h"
#include "views/buttonstyles.h"
#include "views/customtabview.h"
#include "views/infopopoverbutton.h"
#include "views/logo.h"
#include "views/statusmenu.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>

using namespace corvane;
using namespace corvane::test;
using namespace Qt::StringLiterals;

// The tab view, the buttons, the menu and the logo.
class FrameTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QApplication::setFont(QFont(u"DejaVu Sans"_s, 10)); }

    void tabSelectionAndPlacement()
    {
        CustomTabView tabView(TabBarPosition::top, Appearance::dark);
        tabView.resize(300, 200);
        tabView.show();
        auto* placeholder = tabView.findChild<QLabel*>(u"noTabsText"_s);
        QVERIFY(placeholder->isVisible());
        QCOMPARE(placeholder->text(), u"No verified accounts"_s);

        QList<TabItem> items;
        for (const QString& text : {u"One"_s, u"Two"_s, u"Three"_s})
            items.append({QUuid::createUuid(), text, u"gear"_s, new QLabel(text)});
        tabView.setTabItems(items);
        QCOMPARE(tabTexts(tabView), (QStringList{u"One"_s, u"Two"_s, u"Three"_s}));
        // Both windows put the bar on top.
        QCOMPARE(tabView.findChild<QWidget*>(u"tabBar"_s)->y(), 0);
        QPointer<QWidget> clicked = tabView.tabButton(2);
        QTest::mouseClick(clicked, Qt::LeftButton);
        QCOMPARE(tabView.selection(), 2);
        QVERIFY(tabView.tabItems()[2].view->isVisible());
        // The bar is rebuilt from the clicked button's own handler: that button must outlive
        // the handler, leaving the bar at once and memory once the loop runs.
        QVERIFY(clicked);
        QVERIFY(!clicked->isVisible());
        QCOMPARE(tabView.tabButton(2)->property("selected"), true);
        QTRY_VERIFY(clicked.isNull());

        // A tab that goes takes its page with it (the popover test follows the selection).
        QList<TabItem> fewer = tabView.tabItems();
        QPointer<QWidget> gone = fewer.takeLast().view;
        tabView.setTabItems(fewer);
        QTRY_VERIFY(gone.isNull());
        // Down to one tab: it is selected.
        tabView.setTabItems(fewer.mid(0, 1));
        QCOMPARE(tabView.selection(), 0);
    }

    // The information button shows its text on every click rather than toggling it, and a
    // click elsewhere closes it as any popup; a link takes the accent colour under the pointer
    // and half its strength while pressed.
    void buttons()
    {
        QWidget window;
        window.resize(300, 200);
        const QString text = u"Nickname for this Orrisfield account."_s;
        auto* info = new InfoPopoverButton(text, Appearance::light, &window);
        auto* link = new LinkButton(u"corvane website"_s, Appearance::light, &window);
        link->move(0, 60);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        for (int round = 0; round < 2; ++round) {
            QTest::mouseClick(info, Qt::LeftButton);
            QVERIFY(info->isPopoverShown());
            QCOMPARE(static_cast<QLabel*>(info->popover())->text(), text);
            // Pressed where the window shows nothing, through the window system as a user would.
            QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, QPoint(250, 150));
            QTRY_VERIFY(!info->isPopoverShown());
        }

        QCOMPARE(link->labelColor(), QColor(Qt::black));
        pointerEnters(*link);
        QCOMPARE(link->labelColor(), QColor(u"#007AFF"_s));
        link->setDown(true);
        QCOMPARE(qRound(link->labelColor().alphaF() * 100), 50);
        link->setDown(false);
        pointerLeaves(*link);
        QCOMPARE(link->labelColor(), QColor(Qt::black));
    }

    void statusMenu()
    {
        StatusMenu menu(Appearance::light);
        QStringList texts;
        for (const QAction* action : menu.actions())
            texts.append(action->text());
        QCOMPARE(texts, (QStringList{u"Show positions"_s, u"Settings"_s, u"Close Corvane"_s}));
        // A menu that is never shown (a desktop that draws it from D-Bus) is never styled, which
        // would load Qt's style-sheet engine for nothing.
        QCoreApplication::processEvents();
        QVERIFY(menu.styleSheet().isEmpty());
        // Menu rows are drawn dark on a light menu and light on a dark one, as rendered: dark
        // first, so that the look the menu takes before its first layout is checked too.
        for (const Appearance appearance : {Appearance::dark, Appearance::light}) {
            menu.setAppearance(appearance);
            menu.resize(menu.sizeHint());
            const QImage image = menu.grab().toImage();
            const QRect row = menu.actionGeometry(menu.settingsAction());
            auto luma = [](QColor c) {
                return qRound(0.3 * c.red() + 0.59 * c.green() + 0.11 * c.blue());
            };
            const int background = luma(image.pixelColor(row.right() - 3, row.center().y()));
            int darkest = 255;
            int lightest = 0;
            for (int x = row.left() + 30; x < row.right() - 8; ++x) {
                for (int y = row.top(); y <= row.bottom(); ++y) {
                    darkest = std::min(darkest, luma(image.pixelColor(x, y)));
                    lightest = std::max(lightest, luma(image.pixelColor(x, y)));
                }
            }
            const bool light = appearance == Appearance::light;
            QVERIFY2(
                light ? background > 180 && darkest < 60 : background < 80 && lightest > 200,
                qPrintable(
                    u"background %1, text %2 to %3"_s.arg(background).arg(darkest).arg(lightest)));
        }

        QSignalSpy positions(&menu, &StatusMenu::popoverRequested);
        QSignalSpy settings(&menu, &StatusMenu::settingsRequested);
        QSignalSpy quit(&menu, &StatusMenu::quitRequested);
        menu.settingsAction()->trigger();
        QCOMPARE(settings.count(), 0); // only once the menu has closed
        QTRY_COMPARE(settings.count(), 1);
        menu.positionsAction()->trigger();
        QTRY_COMPARE(positions.count(), 1);
        QCOMPARE(settings.count(), 1);
        menu.quitAction()->trigger();
        QCOMPARE(quit.count(), 1);
    }

    void logoDrawsAtIconSizes()
    {
        for (int size : {16, 128}) {
            const QImage logo = logoPixmap(size, 1).toImage();
            QCOMPARE(logo.size(), QSize(size, size));
            QCOMPARE(logo.pixelColor(size / 2, size / 8).alpha(), 255);
            QVERIFY(logo.save(screenshotPath(u"logo-%1.png"_s.arg(size))));
        }
    }
};

CORVANE_TEST(FrameTest)
#include "test_frame.moc"
