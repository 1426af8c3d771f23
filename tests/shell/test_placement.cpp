#include "shell/placement.h"
#include "shell/swayipc.h"
#include "support/testregistry.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>

using namespace corvane;
using namespace Qt::StringLiterals;

namespace {
const QRect screen(0, 0, 1000, 800);
} // namespace

class PlacementTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Popup 400x300 on a 1000x800 screen whose panel reserves the strip outside `available`.
    void opensBesideTheItemOffThePanel_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QRect>("anchor");
        QTest::addColumn<QPoint>("click");
        QTest::addColumn<QPoint>("expected");
        const QRect top(0, 24, 1000, 776);
        const QRect bottom(0, 0, 1000, 776);
        const QPoint none;
        QTest::newRow("below a top bar item")
            << top << QRect(500, 0, 60, 24) << none << QPoint(329, 24);
        QTest::newRow("kept on screen at the right edge")
            << top << QRect(960, 0, 40, 24) << none << QPoint(600, 24);
        QTest::newRow("above a bottom bar item")
            << bottom << QRect(100, 776, 60, 24) << none << QPoint(0, 476);
        QTest::newRow("right of a left panel")
            << QRect(48, 0, 952, 800) << QRect(0, 400, 48, 30) << none << QPoint(48, 264);
        QTest::newRow("left of a right panel, clamped to the top")
            << QRect(0, 0, 952, 800) << QRect(952, 100, 48, 30) << none << QPoint(552, 0);
        QTest::newRow("a click on the top bar opens under the bar, not over it")
            << top << QRect() << QPoint(700, 10) << QPoint(500, 24);
        QTest::newRow("a click on the bottom bar opens above it")
            << bottom << QRect() << QPoint(200, 790) << QPoint(0, 476);
        QTest::newRow("no panel reserves space: the nearest edge")
            << screen << QRect() << QPoint(200, 790) << QPoint(0, 490);
        QTest::newRow("nothing known: the top bar's tray corner")
            << top << QRect() << none << QPoint(600, 24);
        QTest::newRow("nothing known: the bottom bar's tray corner")
            << bottom << QRect() << none << QPoint(600, 476);
        // waybar through Xwayland: its points are the tray's and it reserves nothing X sees.
        QTest::newRow("nothing known, no panel seen: under a top bar, at the right")
            << screen << QRect() << none << QPoint(600, 32);
    }
    void opensBesideTheItemOffThePanel()
    {
        QFETCH(QRect, available);
        QFETCH(QRect, anchor);
        QFETCH(QPoint, click);
        QFETCH(QPoint, expected);
        QCOMPARE(popupPosition(QSize(400, 300), anchor, click, {screen, available}), expected);
    }

    // A host's position that cannot be on a panel (waybar's, relative to its tray) gives way
    // to the pointer; one the pointer confirms, or none at all, stands.
    void clickPositionTrustsOnlyPlausiblePoints_data()
    {
        QTest::addColumn<QPoint>("reported");
        QTest::addColumn<QPoint>("pointer");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("screen point, pointer agrees")
            << QPoint(900, 10) << QPoint(905, 14) << QPoint(900, 10);
        QTest::newRow("tray-relative point, pointer on the bar")
            << QPoint(69, 17) << QPoint(930, 15) << QPoint(930, 15);
        QTest::newRow("mid-screen point, pointer on the bar")
            << QPoint(300, 400) << QPoint(930, 15) << QPoint(930, 15);
        QTest::newRow("screen point, stale pointer mid-screen")
            << QPoint(900, 10) << QPoint(500, 400) << QPoint(900, 10);
        QTest::newRow("off-screen point")
            << QPoint(-5, 2000) << QPoint(500, 400) << QPoint(500, 400);
        QTest::newRow("no point") << QPoint() << QPoint(930, 15) << QPoint(930, 15);
    }
    void clickPositionTrustsOnlyPlausiblePoints()
    {
        QFETCH(QPoint, reported);
        QFETCH(QPoint, pointer);
        QFETCH(QPoint, expected);
        QCOMPARE(clickPosition({screen, QRect(0, 30, 1000, 770)}, reported, pointer), expected);
    }

    void waylandSessionsRunThroughXwayland()
    {
        auto choice = [](std::initializer_list<const char*> variables) {
            QProcessEnvironment environment;
            for (const char* variable : variables) {
                const QString text = QString::fromLatin1(variable);
                environment.insert(text.section(u'=', 0, 0), text.section(u'=', 1));
            }
            return preferredPlatform(environment);
        };
        QCOMPARE(choice({"WAYLAND_DISPLAY=wayland-1", "DISPLAY=:1"}), QByteArray("xcb"));
        QCOMPARE(choice({"WAYLAND_DISPLAY=wayland-1", "DISPLAY=:1", "QT_QPA_PLATFORM=wayland"}),
                 QByteArray());
        QCOMPARE(choice({"WAYLAND_DISPLAY=wayland-1"}), QByteArray()); // no Xwayland
        QCOMPARE(choice({"DISPLAY=:1"}), QByteArray());                // an X11 session
    }

    // sway places a window only once it has mapped it, and says "No matching node" until
    // then: the command goes again, in i3's framing, until sway has moved the window. Without
    // sway the window stays put and the caller hears so.
    void swayMovesTheWindowOnceMapped()
    {
        QTemporaryDir dir;
        QLocalServer sway;
        QVERIFY(sway.listen(dir.filePath(u"sway-ipc.sock"_s)));
        QList<QByteArray> commands;
        QByteArray in;
        connect(&sway, &QLocalServer::newConnection, this, [&] {
            QLocalSocket* peer = sway.nextPendingConnection();
            connect(peer, &QLocalSocket::readyRead, peer, [&, peer] {
                in += peer->readAll();
                quint32 header[2];
                while (in.size() >= 14 && in.startsWith("i3-ipc")) {
                    std::memcpy(header, in.constData() + 6, sizeof header);
                    if (in.size() < 14 + qsizetype(header[0]) || header[1] != 0)
                        return;
                    commands.append(in.mid(14, header[0]));
                    in.remove(0, 14 + header[0]);
                    const QByteArray answer =
                        commands.size() < 3 ? R"([{"success":false,"error":"No matching node."}])"
                                            : R"([{"success":true}])";
                    const quint32 reply[2] = {quint32(answer.size()), 0};
                    peer->write("i3-ipc" + QByteArray(reinterpret_cast<const char*>(reply), 8) +
                                answer);
                }
            });
        });
        SwayIpc ipc(sway.fullServerName());
        QSignalSpy moved(&ipc, &SwayIpc::moved);
        ipc.moveWindow(6291470, QPoint(835, 30));
        QTRY_COMPARE(moved.size(), 1);
        QCOMPARE(moved.first().first().toBool(), true);
        const QByteArray command = "[id=6291470] move absolute position 835 30";
        QCOMPARE(commands, QList<QByteArray>(3, command));

        SwayIpc nowhere(dir.filePath(u"none"_s));
        QSignalSpy gaveUp(&nowhere, &SwayIpc::moved);
        nowhere.moveWindow(1, QPoint(0, 0));
        QTRY_COMPARE(gaveUp.size(), 1);
        QCOMPARE(gaveUp.first().first().toBool(), false);
    }
};

CORVANE_TEST(PlacementTest)
#include "test_placement.moc"
