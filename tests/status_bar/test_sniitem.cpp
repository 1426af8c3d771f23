#include "privatebus.h"
#include "status_bar/badgeicon.h"
#include "status_bar/dbusmenu.h"
#include "status_bar/followingstatusitem.h"
#include "status_bar/sniitem.h"
#include "support/testregistry.h"
#include "viewrig.h"
#include "views/logo.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QFontMetrics>
#include <QMenu>
#include <QPainter>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace corvane;
using namespace Qt::StringLiterals;

namespace {

StatusLabel label(const QString& nickname, const QString& value, std::optional<double> total)
{
    return {nickname, nickname, value, total, total.value_or(0) > 0};
}

// A plain navy square standing in for the logo, so the badge's pixels are easy to tell.
QIcon squareLogo()
{
    QPixmap pixmap(64, 64);
    pixmap.fill(QColor(29, 43, 69));
    return QIcon(pixmap);
}

// A call from the host's connection to the menu's.
struct MenuHost {
    QDBusMessage call(const QString& method, const QVariantList& arguments)
    {
        QDBusMessage message = QDBusMessage::createMethodCall(
            menuBus.baseService(), DBusMenu::objectPath(), u"com.canonical.dbusmenu"_s, method);
        message.setArguments(arguments);
        return hostBus.call(message, QDBus::BlockWithGui, 3000);
    }

    test::PrivateBus privateBus;
    QDBusConnection menuBus = privateBus.connect(u"sni-menu"_s);
    QDBusConnection hostBus = privateBus.connect(u"sni-host"_s);
};

} // namespace

class SniItemTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // One line for hosts that draw text, losses in parentheses; the guide is at least as
    // wide and stays put while the amounts move within four digits.
    void labelTextAndGuide()
    {
        const QList<StatusLabel> day{label(u"IBKR"_s, u"$13"_s, 12.01),
                                     label(u"IRA"_s, u"($5)"_s, -4.2)};
        QCOMPARE(SniStatusItem::labelText(day), u"IBKR $13  IRA ($5)"_s);
        QCOMPARE(SniStatusItem::labelGuide(day), u"IBKR ($0000)  IRA ($0000)"_s);
        const QList<StatusLabel> later{label(u"IBKR"_s, u"($1234)"_s, -1233.5),
                                       label(u"IRA"_s, u"$77"_s, 77)};
        QCOMPARE(SniStatusItem::labelGuide(later), SniStatusItem::labelGuide(day));
        QCOMPARE(SniStatusItem::labelGuide({label(u"A"_s, u"$123456"_s, 123456)}),
                 u"A ($000000)"_s);
        QCOMPARE(SniStatusItem::labelGuide({label(u"A"_s, u"Mkt closed"_s, {})}),
                 u"A Mkt closed"_s);
        const QFontMetrics metrics(QFont(u"DejaVu Sans"_s));
        for (const auto& labels : {day, later})
            QVERIFY(metrics.horizontalAdvance(SniStatusItem::labelGuide(labels)) >=
                    metrics.horizontalAdvance(SniStatusItem::labelText(labels)));
        QCOMPARE(SniStatusItem::labelText({}), QString());
    }

    // The square icon: the sum's sign picks green or red, an error the triangle, and the
    // sizes cover the panels' from 16 to 64 pixels at the screen's density.
    void badgeIcon()
    {
        using Badge = BadgeIcon::Badge;
        QCOMPARE(BadgeIcon::badgeFor(
                     {label(u"A"_s, {}, 10), label(u"B"_s, {}, {}), label(u"C"_s, {}, -25)}, false),
                 Badge::negative);
        QCOMPARE(BadgeIcon::badgeFor({label(u"A"_s, {}, 0.01)}, false), Badge::positive);
        QCOMPARE(BadgeIcon::badgeFor({label(u"A"_s, {}, 0)}, false), Badge::negative);
        QCOMPARE(BadgeIcon::badgeFor({label(u"A"_s, {}, 50)}, true), Badge::warning);
        QCOMPARE(BadgeIcon::badgeFor({}, false), Badge::none);
        QCOMPARE(BadgeIcon::sides(1), (QList<int>{16, 22, 24, 32, 48, 64}));
        QCOMPARE(BadgeIcon::sides(2), (QList<int>{16, 22, 24, 32, 44, 48, 64}));

        const QIcon logo = squareLogo();
        const QColor navy(29, 43, 69);
        for (const int side : {16, 64}) {
            const QImage green = BadgeIcon::paint(logo, Badge::positive, side);
            const QImage red = BadgeIcon::paint(logo, Badge::negative, side);
            const QImage warning = BadgeIcon::paint(logo, Badge::warning, side);
            const QImage plain = BadgeIcon::paint(logo, Badge::none, side);
            QCOMPARE(green.size(), QSize(side, side));
            const QPoint badge(side * 3 / 4, side * 3 / 4);
            QCOMPARE(green.pixelColor(badge), QColor(52, 199, 89));
            QCOMPARE(red.pixelColor(badge), QColor(255, 59, 48));
            QCOMPARE(plain.pixelColor(badge), navy);
            QCOMPARE(green.pixelColor(side / 4, side / 4), navy); // the logo stays visible
            // The triangle's lower corners are red, its tip's sides are not.
            QCOMPARE(warning.pixelColor(side - side / 2 + 2, side - 2), QColor(255, 59, 48));
            QVERIFY(warning.pixelColor(side - side / 2 + 1, side / 2 + 1) != QColor(255, 59, 48));
            // A transparent ring parts the badge from the logo, whatever the panel's colour.
            if (side == 64)
                QCOMPARE(green.pixelColor(31, 56).alpha(), 0);
            // For looking at: the real logo with each badge.
            for (const Badge shown : {Badge::positive, Badge::negative, Badge::warning})
                BadgeIcon::paint(logoIcon(), shown, side)
                    .save(test::screenshotPath(u"badge-%1-%2.png"_s.arg(int(shown)).arg(side)));
        }
    }

    // The item draws the build's renditions of the logo: at each panel size, and between
    // them, they must look like the artwork itself.
    void logoRenditionsMatchTheArtwork()
    {
        QVERIFY(hasLogo());
        for (const int side : {16, 22, 30, 44, 64}) {
            const QImage drawn = BadgeIcon::paint(logoIcon(), BadgeIcon::Badge::none, side);
            const QImage artwork = logoPixmap(side, 1).toImage().convertToFormat(drawn.format());
            QCOMPARE(drawn.size(), artwork.size());
            int worst = 0;
            qint64 sum = 0;
            for (int y = 0; y < side; ++y) {
                for (int x = 0; x < side; ++x) {
                    const QColor a = drawn.pixelColor(x, y), b = artwork.pixelColor(x, y);
                    const int difference =
                        std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                                  std::abs(a.blue() - b.blue()), std::abs(a.alpha() - b.alpha())});
                    worst = std::max(worst, difference);
                    sum += difference;
                }
            }
            // Sizes the build renders match to rounding; a scaled one differs only at edges.
            const bool rendered = side != 30;
            QVERIFY2(worst <= (rendered ? 2 : 160),
                     qPrintable(u"side %1: worst %2"_s.arg(side).arg(worst)));
            QVERIFY2(sum / (side * side) <= (rendered ? 1 : 12),
                     qPrintable(u"side %1: mean %2"_s.arg(side).arg(sum / (side * side))));
        }
    }

    // The menu as a host reads it: the root's children carry the actions' labels, clicking
    // one triggers it after the reply, and changes to the actions are announced.
    void menuOverDBus()
    {
        MenuHost host;
        QVERIFY(host.privateBus.isUp());
        registerDBusMenuTypes();
        DBusMenu exported(host.menuBus);
        QMenu menu;
        QAction* open = menu.addAction(u"Show positions"_s);
        menu.addSeparator();
        QAction* save = menu.addAction(u"Save_&As"_s);
        exported.setMenu(&menu);

        QDBusMessage reply = host.call(u"GetLayout"_s, {0, -1, QStringList()});
        QCOMPARE(reply.signature(), u"u(ia{sv}av)"_s);
        const auto root = qdbus_cast<DBusMenuLayoutItem>(reply.arguments().at(1));
        QCOMPARE(root.children.size(), 3);
        QCOMPARE(root.children.at(0).properties.value(u"label"_s).toString(), u"Show positions"_s);
        QCOMPARE(root.children.at(1).properties.value(u"type"_s).toString(), u"separator"_s);
        // A literal underscore doubled, the mnemonic marked with one.
        QCOMPARE(root.children.at(2).properties.value(u"label"_s).toString(), u"Save___As"_s);
        const int openId = root.children.at(0).id;

        QSignalSpy triggered(open, &QAction::triggered);
        reply =
            host.call(u"Event"_s, {openId, u"clicked"_s, QVariant::fromValue(QDBusVariant(0)), 0u});
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
        QTRY_COMPARE(triggered.count(), 1);
        reply =
            host.call(u"Event"_s, {4711, u"clicked"_s, QVariant::fromValue(QDBusVariant(0)), 0u});
        QCOMPARE(reply.errorName(), u"com.canonical.dbusmenu.UnknownId"_s);
        reply = host.call(u"GetProperty"_s, {openId, u"label"_s});
        QCOMPARE(reply.arguments().value(0).value<QDBusVariant>().variant().toString(),
                 u"Show positions"_s);

        const uint revision = exported.revision();
        menu.removeAction(save);
        QVERIFY(exported.revision() > revision);
        reply = host.call(u"GetLayout"_s, {0, 1, QStringList{u"label"_s}});
        QCOMPARE(qdbus_cast<DBusMenuLayoutItem>(reply.arguments().at(1)).children.size(), 2);
        QCOMPARE(reply.arguments().at(0).toUInt(), exported.revision());
        // An id stays the same while its action is in the menu.
        QCOMPARE(qdbus_cast<DBusMenuLayoutItem>(reply.arguments().at(1)).children.at(0).id, openId);
    }

    // waybar's points are its tray's: passed on, they put the popover at the screen's far
    // left. They are dropped for it, and kept for a host that sends the screen's.
    void clickPointsByHost()
    {
        test::PrivateBus privateBus;
        QVERIFY(privateBus.isUp());
        SniStatusItem item(squareLogo(), privateBus.connect(u"sni-clicked"_s));
        QSignalSpy activated(&item, &StatusItem::activated);
        QSignalSpy menu(&item, &StatusItem::contextMenuRequested);
        QTemporaryDir folder;
        auto clickAs = [&](const QString& host, const QString& method) {
            const QString program = folder.filePath(host);
            QFile::link(QStandardPaths::findExecutable(u"dbus-send"_s), program);
            QProcess send;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, privateBus.address());
            send.setProcessEnvironment(environment);
            send.start(program,
                       {u"--session"_s, u"--print-reply"_s, u"--dest="_s + item.serviceName(),
                        SniStatusItem::objectPath(), u"org.kde.StatusNotifierItem."_s + method,
                        u"int32:85"_s, u"int32:15"_s});
            // The item answers on this thread: wait with the loop running.
            return QTest::qWaitFor([&] { return send.state() == QProcess::NotRunning; }, 10000) &&
                   send.exitCode() == 0;
        };
        QVERIFY(clickAs(u"waybar"_s, u"Activate"_s));
        QTRY_COMPARE(activated.count(), 1);
        QCOMPARE(activated.last().at(0).toPoint(), QPoint());
        QVERIFY(clickAs(u"waybar"_s, u"ContextMenu"_s));
        QTRY_COMPARE(menu.count(), 1);
        QCOMPARE(menu.last().at(0).toPoint(), QPoint());
        QVERIFY(clickAs(u"panel-host"_s, u"Activate"_s));
        QTRY_COMPARE(activated.count(), 2);
        QCOMPARE(activated.last().at(0).toPoint(), QPoint(85, 15));
    }

    // With neither a watcher nor a tray on the desktop, the item says once that nobody shows
    // it, and stays in the XEmbed form, waiting for a tray.
    void unseenWithoutHost()
    {
        test::PrivateBus privateBus;
        QVERIFY(privateBus.isUp());
        FollowingStatusItem item(squareLogo(), privateBus.connect(u"sni-unseen"_s),
                                 std::chrono::milliseconds(200));
        QSignalSpy unseen(&item, &StatusItem::unseen);
        QTRY_COMPARE(item.kind(), u"XEmbed"_s);
        QTRY_COMPARE(unseen.count(), 1);
        QVERIFY(!item.isRegistered());
    }
};

CORVANE_TEST(SniItemTest)
#include "test_sniitem.moc"
