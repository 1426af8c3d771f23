#include "apprun.h"
#include "desktoprig.h"
#include "fakeservices.h"
#include "fakewatcher.h"
#include "pushsocket.h"
#include "settings/settings.h"
#include "settings/suite.h"
#include "status_bar/trayshade.h"
#include "support/testregistry.h"
#include "viewrig.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QRect>
#include <QTest>
#include <array>
#include <cstdlib>
#include <functional>
#include <xcb/xcb.h>

using namespace corvane;
using namespace Qt::StringLiterals;

namespace {

#define START_DESKTOP(desktop, ...)                                                                \
    test::DesktopRig desktop(__VA_ARGS__);                                                         \
    if (!desktop.problem().isEmpty())                                                              \
    QSKIP(qPrintable(desktop.problem()))

const QString itemPath = u"/StatusNotifierItem"_s;
const QString itemInterface = u"org.kde.StatusNotifierItem"_s;

// A property of the item, read over the bus as a host does.
QVariant itemProperty(const QDBusConnection& bus, const QString& service, const QString& name)
{
    const auto answer = test::callOn(bus, service, itemPath, u"org.freedesktop.DBus.Properties"_s,
                                     u"Get"_s, {itemInterface, name});
    return answer ? answer->value(0).value<QDBusVariant>().variant() : QVariant();
}

bool callItem(const QDBusConnection& bus, const QString& service, const QString& method)
{
    return test::callOn(bus, service, itemPath, itemInterface, method, {400, 30}).has_value();
}

// Waits until the text shows an amount. The text can change between two reads while the
// launch's fetches land, so each look reads it once and the answer is that look's.
bool showsAmounts(const std::function<QVariant()>& text, int timeoutMs = 5000)
{
    return QTest::qWaitFor([&] { return text().toString().contains(u'$'); }, timeoutMs);
}

// The sizes of an a(iiay), each checked against its bytes.
QList<QSize> pixmapSizes(const QVariant& pixmaps)
{
    const auto argument = pixmaps.value<QDBusArgument>();
    QList<QSize> sizes;
    argument.beginArray();
    while (!argument.atEnd()) {
        int width = 0;
        int height = 0;
        QByteArray bytes;
        argument.beginStructure();
        argument >> width >> height >> bytes;
        argument.endStructure();
        sizes.append(bytes.size() == width * height * 4 ? QSize(width, height) : QSize());
    }
    argument.endArray();
    return sizes;
}

// The root's children of a dbusmenu layout, (ia{sv}av), read field by field as a host does:
// each child's id and label.
QList<std::pair<int, QString>> menuRows(const QVariant& layout)
{
    QList<std::pair<int, QString>> rows;
    const auto root = layout.value<QDBusArgument>();
    int id = 0;
    QVariantMap properties;
    root.beginStructure();
    root >> id >> properties;
    root.beginArray();
    while (!root.atEnd()) {
        QDBusVariant child;
        root >> child;
        const auto item = child.variant().value<QDBusArgument>();
        item.beginStructure();
        item >> id >> properties;
        rows.append({id, properties.value(u"label"_s).toString()});
        item.beginArray(); // a flat menu: no grandchildren to read
        item.endArray();
        item.endStructure();
    }
    root.endArray();
    root.endStructure();
    return rows;
}

// The desktop portal's settings, answering only the colour scheme (1 dark, 2 light).
class FakePortal final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FakePortal)
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    FakePortal(QDBusConnection bus, uint colorScheme)
        : m_bus(std::move(bus))
        , m_colorScheme(colorScheme)
    {
        m_bus.registerObject(path, this, QDBusConnection::ExportScriptableSlots);
        m_bus.registerService(u"org.freedesktop.portal.Desktop"_s);
    }

    // Changes the scheme and tells the listeners, as the portal does.
    void setColorScheme(uint colorScheme)
    {
        m_colorScheme = colorScheme;
        QDBusMessage signal = QDBusMessage::createSignal(path, u"org.freedesktop.portal.Settings"_s,
                                                         u"SettingChanged"_s);
        signal << group << key << QVariant::fromValue(QDBusVariant(colorScheme));
        m_bus.send(signal);
    }

public Q_SLOTS:
    // Older portals, which Read imitates, wrap the value in a second variant.
    Q_SCRIPTABLE QDBusVariant Read(const QString& readGroup, const QString& readKey)
    {
        if (readGroup != group || readKey != key)
            return QDBusVariant(QVariant::fromValue(QDBusVariant(QString())));
        return QDBusVariant(QVariant::fromValue(QDBusVariant(m_colorScheme)));
    }

private:
    const QString path = u"/org/freedesktop/portal/desktop"_s;
    const QString group = u"org.freedesktop.appearance"_s;
    const QString key = u"color-scheme"_s;
    QDBusConnection m_bus;
    uint m_colorScheme;
};

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
        fake::FakeServices fake;
        QVERIFY2(fake.start(), qPrintable(fake.errorString()));
        FakePortal portal(desktop.bus(), 1); // dark
        test::AppRun app(desktop, fake);
        const QString secret = app.writeSettings(true);
        QVERIFY(!secret.isEmpty());
        QVERIFY(app.start());
        QTRY_VERIFY_WITH_TIMEOUT(app.ask(u"StatusItemRegistered"_s).toBool(), 15000);
        QCOMPARE(app.ask(u"StatusItemKind"_s).toString(), u"XEmbed"_s);
        QCOMPARE(app.ask(u"Appearance"_s).toString(), u"dark"_s);
        QVERIFY(showsAmounts([&] { return app.ask(u"Label"_s); }, 20000));
        QTRY_COMPARE_WITH_TIMEOUT(fake.socket().loggedInCount(), 1, 10000);

        // Docked wider than Qt's 22-pixel square, as wide as the label asks.
        QRect item;
        QTRY_VERIFY_WITH_TIMEOUT(
            (item = qdbus_cast<QRect>(app.ask(u"StatusItemGeometry"_s))).width() > 40, 5000);
        QTest::qWait(700); // let the last flip settle before the picture
        QVERIFY(desktop.screenshot(test::screenshotPath(u"tray-dark.png"_s)));

        // Under load the label can flip to a new width between reading its place and the click,
        // and the click then lands beside it: the place is read again for another try.
        bool opened = false;
        for (int attempt = 0; attempt < 3 && !opened; ++attempt) {
            item = qdbus_cast<QRect>(app.ask(u"StatusItemGeometry"_s));
            QVERIFY(desktop.click(item.center().x(), item.center().y(), 1));
            opened = QTest::qWaitFor([&] { return app.ask(u"PopoverVisible"_s).toBool(); }, 4000);
        }
        QVERIFY(opened);
        portal.setColorScheme(2);
        QTRY_COMPARE_WITH_TIMEOUT(app.ask(u"Appearance"_s).toString(), u"light"_s, 5000);
        // The label keeps contrasting with the tray, which stays dark.
        QCOMPARE(app.ask(u"LabelAppearance"_s).toString(), u"dark"_s);
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

        // The label is drawn for the density of the screen under the item, as monitors come and
        // go: one scaled by two that takes over the whole screen, then its removal.
        QCOMPARE(app.ask(u"LabelPixelRatio"_s).toDouble(), 1.0);
        QCOMPARE(desktop.run(u"xrandr"_s, {u"--setmonitor"_s, u"HIDPI"_s, u"auto"_s, u"screen"_s}),
                 0);
        QTRY_COMPARE_WITH_TIMEOUT(app.ask(u"LabelPixelRatio"_s).toDouble(), 2.0, 5000);
        QCOMPARE(desktop.run(u"xrandr"_s, {u"--delmonitor"_s, u"HIDPI"_s}), 0);
        QTRY_COMPARE_WITH_TIMEOUT(app.ask(u"LabelPixelRatio"_s).toDouble(), 1.0, 5000);

        // A second start opens the first one's popover and leaves at once.
        QCOMPARE(app.startAgain(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(app.ask(u"PopoverVisible"_s).toBool(), 5000);

        QVERIFY2(app.terminate() == 0, qPrintable(app.ending()));
        QTRY_VERIFY_WITH_TIMEOUT(fake.socket().closeCodes().contains(1001), 5000);
        const QStringList lines = app.lines();
        QVERIFY(!lines.join(u'\n').contains(secret));
        QVERIFY(!lines.join(u'\n').contains(u"test-key-"_s));
    }

    // The tray's shade, which the label's colours follow: what it shows around an icon that
    // lets it show through, unless it names the colour it wants icons drawn in.
    void trayShade()
    {
        START_DESKTOP(desktop, test::DesktopRig::Tray::xembed, u"0xe0e0e0"_s);
        int screen = 0;
        const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> x(
            xcb_connect(desktop.display().toLatin1().constData(), &screen), &xcb_disconnect);
        auto atom = [&x](const QByteArray& name) {
            const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
                xcb_intern_atom_reply(
                    x.get(), xcb_intern_atom(x.get(), 0, uint16_t(name.size()), name.constData()),
                    nullptr),
                &std::free);
            return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        };
        // trayer shows its window before it claims the tray, and now and then a while after.
        const xcb_atom_t selection = atom("_NET_SYSTEM_TRAY_S" + QByteArray::number(screen));
        auto trayOwner = [&x, selection] {
            const std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> reply(
                xcb_get_selection_owner_reply(x.get(), xcb_get_selection_owner(x.get(), selection),
                                              nullptr),
                &std::free);
            return reply ? reply->owner : xcb_window_t(XCB_WINDOW_NONE);
        };
        if (!QTest::qWaitFor([&] { return trayOwner() != XCB_WINDOW_NONE; }, 15000))
            QSKIP("trayer claimed no tray selection");
        const xcb_window_t tray = trayOwner();

        // An icon as Qt docks one: its background is the tray's (XEmbed, "request dock").
        const xcb_screen_t* root = xcb_setup_roots_iterator(xcb_get_setup(x.get())).data;
        const xcb_window_t icon = xcb_generate_id(x.get());
        const uint32_t background = XCB_BACK_PIXMAP_PARENT_RELATIVE;
        xcb_create_window(x.get(), XCB_COPY_FROM_PARENT, icon, root->root, 0, 0, 40, 24, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXMAP,
                          &background);
        const std::array<uint32_t, 2> embedInfo{0, 1};
        xcb_change_property(x.get(), XCB_PROP_MODE_REPLACE, icon, atom("_XEMBED_INFO"),
                            atom("_XEMBED_INFO"), 32, 2, embedInfo.data());
        xcb_client_message_event_t dock{};
        dock.response_type = XCB_CLIENT_MESSAGE;
        dock.format = 32;
        dock.window = tray;
        dock.type = atom("_NET_SYSTEM_TRAY_OPCODE");
        dock.data.data32[0] = XCB_CURRENT_TIME;
        dock.data.data32[2] = icon;
        xcb_send_event(x.get(), 0, tray, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&dock));
        xcb_flush(x.get());
        QTRY_COMPARE_WITH_TIMEOUT(TrayShade::judge(x.get(), screen, icon),
                                  std::optional(Appearance::light), 5000);

        auto setColours = [&](uint32_t foreground) {
            std::array<uint32_t, 12> colours{};
            colours.fill(0x8000);
            colours[0] = colours[1] = colours[2] = foreground;
            xcb_change_property(x.get(), XCB_PROP_MODE_REPLACE, tray,
                                atom("_NET_SYSTEM_TRAY_COLORS"), XCB_ATOM_CARDINAL, 32, 12,
                                colours.data());
            xcb_flush(x.get());
        };
        setColours(0xffff); // white icons: a dark panel, whatever its pixels
        QCOMPARE(TrayShade::judge(x.get(), screen, icon), std::optional(Appearance::dark));
        setColours(0x1000);
        QCOMPARE(TrayShade::judge(x.get(), screen, icon), std::optional(Appearance::light));
    }

    // Started before the panel, the program registers its item once a watcher appears, and
    // again with a restarted one or one that dropped it. Hosts get square icons, the labels as text
    // and tooltip, and the menu over com.canonical.dbusmenu, whose rows work as our own menu's do;
    // Activate and ContextMenu still reach the popover and the menu.
    void statusNotifierHost()
    {
        START_DESKTOP(desktop, test::DesktopRig::Tray::none);
        fake::FakeServices fake;
        QVERIFY2(fake.start(), qPrintable(fake.errorString()));
        test::AppRun app(desktop, fake);
        app.writeSettings();
        {
            Suite suite(app.suitePath());
            CVNSettings(suite).setPanelShade(PanelShade::light); // the user's word for the panel
        }
        QVERIFY(app.start());
        QTRY_COMPARE_WITH_TIMEOUT(app.ask(u"StatusItemKind"_s).toString(), u"XEmbed"_s, 15000);
        QCOMPARE(app.ask(u"StatusItemRegistered"_s).toBool(), false);

        auto watcher = std::make_unique<test::FakeWatcher>(desktop.bus());
        QTRY_COMPARE_WITH_TIMEOUT(watcher->items().size(), 1, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(app.ask(u"StatusItemRegistered"_s).toBool(), 5000);
        QCOMPARE(app.ask(u"StatusItemKind"_s).toString(), u"StatusNotifierItem"_s);
        QCOMPARE(app.ask(u"LabelAppearance"_s).toString(), u"light"_s);
        const QString item = watcher->lastSender();
        watcher.reset();
        QTRY_COMPARE_WITH_TIMEOUT(app.ask(u"StatusItemKind"_s).toString(), u"XEmbed"_s, 5000);
        watcher = std::make_unique<test::FakeWatcher>(desktop.bus());
        QTRY_COMPARE_WITH_TIMEOUT(watcher->items().size(), 1, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(app.ask(u"StatusItemRegistered"_s).toBool(), 5000);
        // A host that drops the live item (GNOME's extension, racing its own start) gets it back.
        watcher->dropItems();
        QTRY_COMPARE_WITH_TIMEOUT(watcher->items().size(), 1, 5000);

        QVERIFY(showsAmounts([&] { return itemProperty(desktop.bus(), item, u"XAyatanaLabel"_s); },
                             20000));
        const QList<QSize> icons = pixmapSizes(itemProperty(desktop.bus(), item, u"IconPixmap"_s));
        QVERIFY(icons.contains(QSize(16, 16)) && icons.contains(QSize(64, 64)));
        for (const QSize& icon : icons)
            QCOMPARE(icon.width(), icon.height());
        QVERIFY(
            itemProperty(desktop.bus(), item, u"IconAccessibleDesc"_s).toString().contains(u'$'));
        QCOMPARE(itemProperty(desktop.bus(), item, u"ItemIsMenu"_s).toBool(), false);

        // The menu, as a host reads and clicks it.
        const QString menuPath =
            itemProperty(desktop.bus(), item, u"Menu"_s).value<QDBusObjectPath>().path();
        auto callMenu = [&](const QString& method, const QVariantList& arguments) {
            return test::callOn(desktop.bus(), item, menuPath, u"com.canonical.dbusmenu"_s, method,
                                arguments);
        };
        const auto layout = callMenu(u"GetLayout"_s, {0, -1, QStringList()});
        QVERIFY(layout);
        QHash<QString, int> ids;
        for (const auto& [id, label] : menuRows(layout->value(1)))
            ids.insert(label, id);
        QCOMPARE(ids.keys().size(), 3);
        QVERIFY(ids.contains(u"Show positions"_s) && ids.contains(u"Settings"_s) &&
                ids.contains(u"Close Corvane"_s));
        QVERIFY(callItem(desktop.bus(), item, u"Activate"_s));
        QTRY_VERIFY_WITH_TIMEOUT(app.ask(u"PopoverVisible"_s).toBool(), 5000);
        QVERIFY(callItem(desktop.bus(), item, u"ContextMenu"_s));
        QVERIFY(app.waitForLine(u"Content view size: "_s, 5000));
        QTRY_VERIFY_WITH_TIMEOUT(!app.ask(u"PopoverVisible"_s).toBool(), 5000);
        // A menu row opens the popover even right after it closed, which a click would not.
        const QVariant noData = QVariant::fromValue(QDBusVariant(0));
        QVERIFY(callMenu(u"Event"_s, {ids.value(u"Show positions"_s), u"clicked"_s, noData, 0u}));
        QTRY_VERIFY_WITH_TIMEOUT(app.ask(u"PopoverVisible"_s).toBool(), 5000);
        QVERIFY(callMenu(u"Event"_s, {ids.value(u"Settings"_s), u"clicked"_s, noData, 0u}));
        QVERIFY(app.waitForLine(u"window classname: "_s, 5000));
        QTRY_VERIFY_WITH_TIMEOUT(!app.ask(u"PopoverVisible"_s).toBool(), 5000);
        QVERIFY(callMenu(u"Event"_s, {ids.value(u"Close Corvane"_s), u"clicked"_s, noData, 0u}));
        QTRY_VERIFY_WITH_TIMEOUT(!app.ask(u"StatusItemKind"_s).isValid(), 10000);
        QVERIFY2(app.terminate() == 0, qPrintable(app.ending()));
    }
};

CORVANE_TEST(EndToEndTest)
#include "test_endtoend.moc"
