#include "apprun.h"
#include "desktoprig.h"
#include "fakeservices.h"
#include "fakewatcher.h"
#include "pushsocket.h"
#include "support/testregistry.h"
#include "viewrig.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QRect>
#include <QTest>

using namespace corvane;
using namespace Qt::StringLiterals;

namespace {

#define START_FAKE(fake)                                                                           \
    fake::FakeServices fake;                                                                       \
    QVERIFY2(fake.start(), qPrintable(fake.errorString()))

#define START_DESKTOP(desktop, tray)                                                               \
    test::DesktopRig desktop(tray);                                                                \
    if (!desktop.problem().isEmpty())                                                              \
    QSKIP(qPrintable(desktop.problem()))

// A property of the item, read over the bus as a host does.
QVariant itemProperty(const QDBusConnection& bus, const QString& service, const QString& name)
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        service, u"/StatusNotifierItem"_s, u"org.freedesktop.DBus.Properties"_s, u"Get"_s);
    get << u"org.kde.StatusNotifierItem"_s << name;
    const QDBusMessage reply = bus.call(get, QDBus::BlockWithGui, 3000);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return {};
    return reply.arguments().constFirst().value<QDBusVariant>().variant();
}

QSize firstPixmapSize(const QVariant& pixmaps)
{
    const auto argument = pixmaps.value<QDBusArgument>();
    int width = 0;
    int height = 0;
    argument.beginArray();
    if (!argument.atEnd()) {
        QByteArray bytes;
        argument.beginStructure();
        argument >> width >> height >> bytes;
        argument.endStructure();
        if (bytes.size() != width * height * 4)
            return {};
    }
    return {width, height};
}

bool callItem(const QDBusConnection& bus, const QString& service, const QString& method)
{
    QDBusMessage call = QDBusMessage::createMethodCall(service, u"/StatusNotifierItem"_s,
                                                       u"org.kde.StatusNotifierItem"_s, method);
    call << 400 << 30;
    return bus.call(call, QDBus::BlockWithGui, 3000).type() == QDBusMessage::ReplyMessage;
}

} // namespace

class EndToEndTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The program in an XEmbed tray: it docks at the label's width, shows the day's totals,
    // opens the popover on a left click and the menu on a right click, follows the portal's
    // colour scheme, hands a second start over to itself, and closes the Pushover socket as
    // "going away" on SIGTERM. Screenshots go to the test's output folder.
    void xembedTray()
    {
        START_DESKTOP(desktop, test::DesktopRig::Tray::xembed);
        START_FAKE(fake);
        test::FakePortal portal(desktop.bus(), 1);
        QVERIFY(portal.isUp());
        test::AppRun app(desktop, fake);
        const QString secret = app.writeSettings(true);
        QVERIFY(!secret.isEmpty());
        QVERIFY(app.start());
        QTRY_VERIFY_WITH_TIMEOUT(app.ask(u"StatusItemRegistered"_s).toBool(), 15000);
        QCOMPARE(app.ask(u"StatusItemKind"_s).toString(), u"XEmbed"_s);
        QCOMPARE(app.ask(u"Appearance"_s).toString(), u"dark"_s);
        QTRY_VERIFY_WITH_TIMEOUT(app.ask(u"Label"_s).toString().contains(u'$'), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(fake.socket().loggedInCount(), 1, 10000);

        // Docked wider than Qt's 22-pixel square, as wide as the label asks.
        QRect item;
        QTRY_VERIFY_WITH_TIMEOUT(
            (item = qdbus_cast<QRect>(app.ask(u"StatusItemGeometry"_s))).width() > 40, 5000);
        QTest::qWait(700); // let the last flip settle before the picture
        QVERIFY(desktop.screenshot(test::screenshotPath(u"tray-dark.png"_s)));

        QVERIFY(desktop.click(item.center().x(), item.center().y(), 1));
        QTRY_VERIFY_WITH_TIMEOUT(app.ask(u"PopoverVisible"_s).toBool(), 5000);
        portal.setColorScheme(2);
        QTRY_COMPARE_WITH_TIMEOUT(app.ask(u"Appearance"_s).toString(), u"light"_s, 5000);
        QTest::qWait(300);
        QVERIFY(desktop.screenshot(test::screenshotPath(u"popover-light.png"_s)));

        // A popup eats the click that closes it, so it is closed first.
        desktop.run(u"xdotool"_s, {u"key"_s, u"Escape"_s});
        QTRY_VERIFY_WITH_TIMEOUT(!app.ask(u"PopoverVisible"_s).toBool(), 5000);
        QTest::qWait(300);
        QVERIFY(desktop.click(item.center().x(), item.center().y(), 3));
        QVERIFY(app.waitForLine(u"Content view size: "_s, 5000));
        QTest::qWait(300);
        QVERIFY(desktop.screenshot(test::screenshotPath(u"menu.png"_s)));
        desktop.run(u"xdotool"_s, {u"key"_s, u"Escape"_s});

        // A second start opens the first one's popover and leaves at once.
        QCOMPARE(app.startAgain(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(app.ask(u"PopoverVisible"_s).toBool(), 5000);

        QCOMPARE(app.terminate(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(fake.socket().closeCodes().contains(1001), 5000);
        const QStringList lines = app.lines();
        QVERIFY(!lines.join(u'\n').contains(secret));
        QVERIFY(!lines.join(u'\n').contains(u"test-key-"_s));
    }

    // On a desktop with a StatusNotifierItem host the program registers its own item: the
    // picture keeps the label's aspect, the text is offered as label and tooltip, and the
    // host's Activate and ContextMenu calls reach the popover and the menu.
    void statusNotifierHost()
    {
        START_DESKTOP(desktop, test::DesktopRig::Tray::none);
        START_FAKE(fake);
        test::FakeWatcher watcher(desktop.bus());
        QVERIFY(watcher.isUp());

        test::AppRun app(desktop, fake);
        app.writeSettings();
        QVERIFY(app.start());
        QTRY_COMPARE_WITH_TIMEOUT(watcher.items().size(), 1, 15000);
        QCOMPARE(app.ask(u"StatusItemKind"_s).toString(), u"StatusNotifierItem"_s);
        QTRY_VERIFY_WITH_TIMEOUT(app.ask(u"Label"_s).toString().contains(u'$'), 20000);

        const QString item = watcher.lastSender();
        QTRY_VERIFY_WITH_TIMEOUT(
            itemProperty(desktop.bus(), item, u"XAyatanaLabel"_s).toString().contains(u'$'), 5000);
        const QSize picture = firstPixmapSize(itemProperty(desktop.bus(), item, u"IconPixmap"_s));
        QVERIFY(picture.height() >= 20);
        QVERIFY2(picture.width() > 2 * picture.height(), "the label keeps its width");
        QCOMPARE(itemProperty(desktop.bus(), item, u"ItemIsMenu"_s).toBool(), false);

        QVERIFY(callItem(desktop.bus(), item, u"Activate"_s));
        QTRY_VERIFY_WITH_TIMEOUT(app.ask(u"PopoverVisible"_s).toBool(), 5000);
        QVERIFY(callItem(desktop.bus(), item, u"ContextMenu"_s));
        QVERIFY(app.waitForLine(u"Content view size: "_s, 5000));
        QTRY_VERIFY_WITH_TIMEOUT(!app.ask(u"PopoverVisible"_s).toBool(), 5000);
        QCOMPARE(app.terminate(), 0);
    }
};

CORVANE_TEST(EndToEndTest)
#include "test_endtoend.moc"
