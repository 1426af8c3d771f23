#include "app/globaldata.h"
#include "market/exchangecalendar.h"
#include "models/brokerresultsmodel.h"
#include "models/feedstatuspresenter.h"
#include "models/fixturerig.h"
#include "models/historyfeed.h"
#include "models/positionlistmodel.h"
#include "support/testregistry.h"
#include "viewrig.h"
#include "views/brokerpage.h"
#include "views/customtabview.h"
#include "views/daychart.h"
#include "views/positioncard.h"
#include "views/positionspopover.h"

#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

using namespace corvane;
using namespace corvane::test;
using namespace Qt::StringLiterals;

namespace {

// A popover over the fixture accounts alpha and bravo, as the shell would build it.
struct PopoverRig {
    explicit PopoverRig(Appearance appearance, bool withAccounts = true)
        : popover(brokers, feed, globalData, history, appearance)
    {
        if (withAccounts) {
            fixtures.addFixtureAccount(u"test-key-alpha"_s);
            bravo = fixtures.addFixtureAccount(u"test-key-bravo"_s);
        }
        fixtures.market.updateStatus();
        // Only IB Margin has a history, filled once its page is built.
        const QString ib = brokers.index(1).data(BrokerResultsModel::brokerNumberRole).toString();
        history.setDay(ib, earlyCloseDay());
        history.setCloses(ib, monthOfCloses());
        popover.show();
    }
    FixtureRig fixtures;
    QUuid bravo;
    GlobalData globalData;
    HistoryFeed history;
    // The machine's own zone, as the shell builds it; the suite runs in Tokyo.
    BrokerResultsModel brokers{fixtures.settings, fixtures.store, fixtures.market};
    FeedStatusPresenter feed{fixtures.settings, fixtures.store, fixtures.market,
                             fixtures.clock.clock()};
    PositionsPopover popover;

    template <class W> W* find(const char* name) const
    {
        return popover.findChild<W*>(QString::fromLatin1(name));
    }
};

// The colours pinned, so a changed palette function shows here rather than passing along.
QColor gainColor(Appearance appearance)
{
    return QColor(appearance == Appearance::dark ? "#30D158" : "#28A745");
}

QColor lossColor(Appearance appearance)
{
    return QColor(appearance == Appearance::dark ? "#FF7F7F" : "#BF4C4C");
}

QColor textColor(const QLabel* label)
{
    return label->palette().color(QPalette::WindowText);
}

// The colour a rich-text label gives its coloured span.
QColor spanColor(const QLabel* label)
{
    const QString text = label->text();
    const qsizetype at = text.indexOf(u"color:"_s);
    return at < 0 ? QColor() : QColor(text.mid(at + 6, 7));
}

} // namespace

class PopoverTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QApplication::setFont(QFont(u"DejaVu Sans"_s, 10)); }

    void tabsPagesAndColours_data()
    {
        QTest::addColumn<Appearance>("appearance");
        QTest::newRow("light") << Appearance::light;
        QTest::newRow("dark") << Appearance::dark;
    }
    void tabsPagesAndColours()
    {
        QFETCH(Appearance, appearance);
        // Built in the other look and switched, as when the desktop changes its scheme.
        PopoverRig rig(appearance == Appearance::dark ? Appearance::light : Appearance::dark);
        rig.popover.setAppearance(appearance);
        QCOMPARE(rig.popover.width(), 445);
        QCOMPARE(tabTexts(*rig.popover.tabView()),
                 (QStringList{u"Etrade Paper"_s, u"IB Margin"_s, u"Tasty IRA"_s}));
        QCOMPARE(rig.popover.tabView()->selection(), 0);

        rig.popover.tabView()->setSelection(1);
        BrokerPage* page = rig.popover.page(1);
        QVERIFY(page->isVisible());
        const auto* total = page->findChild<QLabel*>(u"totalText"_s);
        QCOMPARE(plainText(total->text()), u"Total: $88"_s);
        QCOMPARE(spanColor(total).name(), gainColor(appearance).name());
        QCOMPARE(page->findChild<QLabel*>(u"nlvText"_s)->text(), u"NLV: $104,483"_s);
        // Each page charts its own broker's day.
        QCOMPARE(page->findChild<QLabel*>(u"chartTitle"_s)->text(), u"Fri, Nov 27"_s);
        QCOMPARE(rig.popover.page(0)->findChild<QLabel*>(u"chartTitle"_s)->text(), u"Today"_s);
        // Midnight UTC, already the next morning here: neither New York's evening nor UTC.
        QCOMPARE(page->findChild<QLabel*>(u"expiryText"_s)->text(), u"2027-03-01 9:00a"_s);

        QStringList rows;
        for (const QWidget* row : page->findChildren<QWidget*>(u"positionRow"_s)) {
            rows.append(row->findChild<QLabel*>(u"statusBadge"_s)->text() + u' ' +
                        row->findChild<QLabel*>(u"profitText"_s)->text());
        }
        QCOMPARE(rows, (QStringList{u"OPEN $35"_s, u"CLOSED $232"_s, u"OPEN ($145)"_s,
                                    u"CLOSED ($35)"_s}));
        const auto profits = page->findChildren<QLabel*>(u"profitText"_s);
        QCOMPARE(textColor(profits[0]).name(), gainColor(appearance).name());
        QCOMPARE(textColor(profits[3]).name(), lossColor(appearance).name());
        // A closed row's badge tells a gain from a loss.
        const auto badges = page->findChildren<QLabel*>(u"statusBadge"_s);
        for (const auto& [badge, fill] : {std::pair{badges[1], gainColor(appearance)},
                                          std::pair{badges[3], lossColor(appearance)}}) {
            const QImage drawn = badge->grab().toImage();
            QCOMPARE(drawn.pixelColor(3, drawn.height() / 2).name(), fill.name());
        }
        QAbstractItemModelTester positions(rig.brokers.positions(1),
                                           QAbstractItemModelTester::FailureReportingMode::QtTest);

        // "Market open" in the primary text colour: never white on a light panel.
        const auto* market = rig.find<QLabel>("marketState");
        QCOMPARE(market->text(), u"Market open"_s);
        QCOMPARE(textColor(market),
                 appearance == Appearance::light ? QColor(Qt::black) : QColor(Qt::white));
        QCOMPARE(plainText(rig.find<QLabel>("lastUpdated")->text()),
                 u"Feed snapshot: \n12-1 @ 2:07p (GMT-05)"_s);
        QVERIFY(!rig.find<QLabel>("criticalError")->isVisible());

        rig.globalData.setCriticalError(u"Could not get response."_s);
        const auto* error = rig.find<QLabel>("criticalError");
        QVERIFY(error->isVisible());
        QCOMPARE(error->text(), u"Could not get response."_s);
        QCOMPARE(textColor(error).name(), lossColor(appearance).name());
        QVERIFY(saveScreenshot(rig.popover, u"popover"_s, appearance));
        QVERIFY(saveScreenshot(rig.popover, u"popover"_s, appearance, 2));
        page->chart()->showCloses(true);
        QVERIFY(saveScreenshot(rig.popover, u"popover-closes"_s, appearance, 2));
    }

    void followsTheStoreTheAccountsAndTheClock()
    {
        PopoverRig rig(Appearance::light);
        BrokerPage* etrade = rig.popover.page(0);
        const auto* total = etrade->findChild<QLabel*>(u"totalText"_s);
        QCOMPARE(plainText(total->text()), u"Total: $300"_s);
        rig.fixtures.store.find(u"bc_a0b1c2d3"_s)->setTotal(0.0);
        QCOMPARE(plainText(total->text()), u"Total: $0"_s);
        QCOMPARE(spanColor(total).name(), lossColor(Appearance::light).name());
        // No expiry from the platform: neither caption nor value.
        QVERIFY(!etrade->findChild<QLabel*>(u"expiryText"_s)->isVisible());

        // The selected last tab goes with an account no longer watched: the new last one shows,
        // and the chart's toggle holds for every broker, across the rebuilt pages.
        rig.popover.tabView()->setSelection(2);
        QTest::mouseClick(rig.popover.page(2)->findChild<QToolButton*>(u"chartClosesButton"_s),
                          Qt::LeftButton);
        QVERIFY(rig.popover.page(0)->chart()->showsCloses());
        AccountSettings bravo = rig.fixtures.settings.accountSettings().value(rig.bravo);
        bravo.watchAccount = false;
        rig.fixtures.settings.setAccount(bravo);
        QCOMPARE(tabTexts(*rig.popover.tabView()), (QStringList{u"IB Margin"_s, u"Tasty IRA"_s}));
        QCOMPARE(rig.popover.tabView()->selection(), 1);
        QVERIFY(rig.popover.page(1)->isVisible());
        QVERIFY(rig.popover.page(1)->chart()->showsCloses());

        // The footer asks the shell; the header follows the settings, the store and the clock.
        QSignalSpy sync(&rig.popover, &PositionsPopover::syncRequested);
        QSignalSpy open(&rig.popover, &PositionsPopover::openPlatformRequested);
        QSignalSpy settings(&rig.popover, &PositionsPopover::settingsRequested);
        QSignalSpy watch(&rig.popover, &PositionsPopover::watchSwitchChanged);
        for (const char* button : {"syncButton", "openPlatformButton", "settingsButton"})
            QTest::mouseClick(rig.find<QAbstractButton>(button), Qt::LeftButton);
        QCOMPARE((QList<qsizetype>{sync.count(), open.count(), settings.count()}),
                 (QList<qsizetype>{1, 1, 1}));
        QCOMPARE(rig.find<QToolButton>("settingsButton")->toolTip(), u"Settings"_s);

        auto* watchSwitch = rig.find<QCheckBox>("watchSwitch");
        QVERIFY(watchSwitch->isChecked());
        watchSwitch->click();
        QCOMPARE(rig.fixtures.settings.watchRunning(), false);
        QCOMPARE(watch.count(), 1);
        QCOMPARE(watch[0][0].toBool(), false);
        // A change made elsewhere moves the switch without asking for a new evaluation.
        rig.fixtures.settings.setWatchRunning(true);
        QVERIFY(watchSwitch->isChecked());
        QCOMPARE(watch.count(), 1);

        rig.fixtures.store.setLastupdated(u"12-1 @ 2:12p"_s);
        QCOMPARE(plainText(rig.find<QLabel>("lastUpdated")->text()),
                 u"Feed snapshot: \n12-1 @ 2:12p (GMT-05)"_s);

        // Past the bell the state reads in the secondary colour.
        const auto* market = rig.find<QLabel>("marketState");
        rig.fixtures.clock.set(newYork(2026, 12, 1, 16, 10));
        rig.fixtures.market.updateStatus();
        QCOMPARE(market->text(), u"After Market"_s);
        QCOMPARE(textColor(market), colors::secondaryText(Appearance::light));
        rig.fixtures.clock.set(newYork(2026, 12, 1, 16, 31));
        rig.fixtures.market.updateStatus();
        QCOMPARE(market->text(), u"Market closed"_s);
    }

    void hoverCardWaitsAQuarterSecond()
    {
        PopoverRig rig(Appearance::light);
        rig.popover.tabView()->setSelection(1);
        BrokerPage* page = rig.popover.page(1);
        QWidget* spread = page->infoIcon(u"bot_12_2"_s);
        QWidget* condor = page->infoIcon(u"bot_11_0"_s);
        QVERIFY(spread && condor);

        // Passing over one icon on the way to another shows no card.
        pointerEnters(*spread);
        QTest::qWait(100);
        pointerLeaves(*spread);
        pointerEnters(*condor);
        QTest::qWait(100);
        QVERIFY(!page->card() || !page->card()->isVisible());
        QCOMPARE(page->hoveredKey(), QString());

        QTRY_VERIFY(page->card() && page->card()->isVisible());
        QCOMPARE(page->hoveredKey(), u"bot_11_0"_s);
        QCOMPARE(page->card()->lines(),
                 (QStringList{u"SPX 0DTE Iron Condor"_s, u"Contract count: 2"_s,
                              u"Entry value: -490.0"_s, u"Current delta: n/a"_s,
                              u"Max risk: 4510.00"_s, u"Percentage P/L: 47.45%"_s}));
        QVERIFY(saveScreenshot(*page->card(), u"position-card"_s, Appearance::light));

        // A pass while the pointer rests on the icon keeps the row and its icon: the window
        // system tells a replaced icon nothing, and the card would stay until the popover goes.
        const QPointer<QWidget> rested = condor;
        QVERIFY(runPass(*rig.fixtures.core));
        QVERIFY(rested);
        QCOMPARE(page->infoIcon(u"bot_11_0"_s), rested.data());
        QVERIFY(page->card()->isVisible());

        pointerLeaves(*condor);
        QVERIFY(!page->card()->isVisible());
        QCOMPARE(page->hoveredKey(), QString());

        // Closing the popover while a card is on its way: no card appears.
        pointerEnters(*spread);
        rig.popover.hide();
        QTest::qWait(int(2 * BrokerPage::hoverDelay.count()));
        QVERIFY(!page->card()->isVisible());
    }

    void withoutWatchedBrokersOnlyHeaderAndFooterShow()
    {
        PopoverRig rig(Appearance::dark, false);
        QVERIFY(rig.popover.tabView()->tabItems().isEmpty());
        QVERIFY(rig.find<QLabel>("noTabsText")->isVisible());
        QVERIFY(rig.find<QLabel>("marketState")->isVisible());
        QVERIFY(rig.find<QPushButton>("syncButton")->isVisible());
        QVERIFY(saveScreenshot(rig.popover, u"popover-empty"_s, Appearance::dark));
    }
};

CORVANE_TEST(PopoverTest)
#include "test_popover.moc"
