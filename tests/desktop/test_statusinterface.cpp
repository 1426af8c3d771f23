#include "app/commandline.h"
#include "app/statusclient.h"
#include "app/statusinterface.h"
#include "engine/runwatch.h"
#include "privatebus.h"
#include "support/testclock.h"
#include "support/testcore.h"
#include "support/testregistry.h"

#include <QDBusMessage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

using namespace corvane;

namespace {

StatusSnapshot sample()
{
    StatusSnapshot status;
    status.labels = {{QStringLiteral("IBKR"), QStringLiteral("$13"), true},
                     {QStringLiteral("IRA"), QStringLiteral("($5)"), false}};
    status.marketState = QStringLiteral("open");
    status.lastupdated = QStringLiteral("2024-06-18T11:05:00-04:00");
    return status;
}

// A call on the status object; made by hand, since a proxy object would introspect it with a
// blocking call that the in-process instance could not answer.
QDBusMessage callOf(const QString& interface, const QString& method)
{
    return QDBusMessage::createMethodCall(QString::fromLatin1(statusServiceName),
                                          QString::fromLatin1(statusObjectPath), interface, method);
}

QJsonObject parsed(const QString& line)
{
    return QJsonDocument::fromJson(line.toUtf8()).object();
}

// A running instance on a private session bus, and a client on its own connection.
struct Rig {
    Rig()
        : status(sample())
        , server(bus.connect(QStringLiteral("server")))
        , client(bus.connect(QStringLiteral("client")))
        , published([this] { return status; })
    {
        QVERIFY(bus.isUp());
        QVERIFY(published.exportOn(server));
        QVERIFY(server.registerService(QString::fromLatin1(statusServiceName)));
    }

    void update(const StatusSnapshot& next)
    {
        status = next;
        published.scheduleRefresh();
    }

    test::PrivateBus bus;
    StatusSnapshot status;
    QDBusConnection server;
    QDBusConnection client;
    StatusInterface published;
};

} // namespace

class StatusInterfaceTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void clientReadsWhatTheTrayShows()
    {
        Rig rig;
        StatusSnapshot erring = sample();
        erring.internetError =
            QStringLiteral("Cannot connect to the internet. Check your connection.");
        erring.hasError = true;
        rig.status = erring;
        rig.published.scheduleRefresh();
        QTRY_COMPARE(rig.published.snapshot(), erring);

        StatusClient client(rig.client);
        QCOMPARE(client.read(), std::optional<StatusSnapshot>(erring));
        QCOMPARE(statusText(erring), QStringLiteral("⚠ IBKR $13  IRA ($5)"));
        const QJsonObject json = statusJson(erring);
        QCOMPARE(json.value(QStringLiteral("labels"))
                     .toArray()
                     .at(1)
                     .toObject()
                     .value(QStringLiteral("sign")),
                 QStringLiteral("negative"));
        QVERIFY(json.value(QStringLiteral("criticalError")).isNull());

        rig.server.unregisterService(QString::fromLatin1(statusServiceName));
        QString error;
        QVERIFY(!client.read(&error));
        QCOMPARE(error, QStringLiteral("Corvane is not running."));
    }

    void panelClassFollowsSignsAndErrors()
    {
        StatusSnapshot status = sample();
        QCOMPARE(panelJson(status).value(QStringLiteral("class")), QStringLiteral("negative"));
        status.labels.removeLast();
        QCOMPARE(panelJson(status).value(QStringLiteral("class")), QStringLiteral("positive"));
        status.criticalError = QStringLiteral("Invalid API key.");
        status.hasError = true;
        const QJsonObject erring = panelJson(status);
        QCOMPARE(erring.value(QStringLiteral("class")), QStringLiteral("error"));
        QVERIFY(erring.value(QStringLiteral("tooltip")).toString().contains(status.criticalError));
        QCOMPARE(panelJson(std::nullopt).value(QStringLiteral("class")), QStringLiteral("error"));
        status.labels.clear();
        status.hasError = false;
        QCOMPARE(panelJson(status).value(QStringLiteral("class")), QStringLiteral("negative"));
    }

    void changesAreAnnouncedOncePerBurst()
    {
        Rig rig;
        QSignalSpy changed(&rig.published, &StatusInterface::changed);
        StatusSnapshot next = sample();
        next.labels[0].value = QStringLiteral("$14");
        rig.update(next);
        rig.update(next);
        rig.published.scheduleRefresh();
        QTRY_COMPARE(changed.size(), 1);
        rig.published.scheduleRefresh(); // nothing new
        QTest::qWait(50);
        QCOMPARE(changed.size(), 1);
    }

    void followPrintsEveryChangeAndTheInstanceComingAndGoing()
    {
        Rig rig;
        QStringList lines;
        StatusClient client(rig.client);
        client.follow([&lines](const QString& line) { lines << line; });
        QTRY_COMPARE(lines.size(), 1);
        QCOMPARE(parsed(lines[0]).value(QStringLiteral("text")),
                 QStringLiteral("IBKR $13  IRA ($5)"));
        // The subscription is in place once a call on the client's connection has come back.
        QVERIFY(client.read());

        StatusSnapshot next = sample();
        next.labels.removeLast();
        rig.update(next);
        QTRY_COMPARE(lines.size(), 2);
        QCOMPARE(parsed(lines[1]).value(QStringLiteral("class")), QStringLiteral("positive"));

        rig.server.unregisterService(QString::fromLatin1(statusServiceName));
        QTRY_COMPARE(lines.size(), 3);
        QCOMPARE(parsed(lines[2]).value(QStringLiteral("tooltip")),
                 QStringLiteral("Corvane is not running."));
        QVERIFY(rig.server.registerService(QString::fromLatin1(statusServiceName)));
        QTRY_COMPARE(lines.size(), 4);
        QCOMPARE(parsed(lines[3]).value(QStringLiteral("class")), QStringLiteral("positive"));
    }

    void methodsReachTheShell()
    {
        Rig rig;
        QSignalSpy sync(&rig.published, &StatusInterface::syncNowRequested);
        QSignalSpy popover(&rig.published, &StatusInterface::openPopoverRequested);
        for (const QString& method : {QStringLiteral("SyncNow"), QStringLiteral("OpenPopover")})
            QCOMPARE(rig.client
                         .call(callOf(QString::fromLatin1(statusInterfaceName), method),
                               QDBus::BlockWithGui)
                         .type(),
                     QDBusMessage::ReplyMessage);
        QTRY_COMPARE(sync.size(), 1);
        QCOMPARE(popover.size(), 1);
        // The shell's own signals are not part of the bus interface.
        const QDBusMessage introspect =
            rig.client.call(callOf(QStringLiteral("org.freedesktop.DBus.Introspectable"),
                                   QStringLiteral("Introspect")),
                            QDBus::BlockWithGui);
        const QString xml = introspect.arguments().value(0).toString();
        QVERIFY2(xml.contains(QStringLiteral("<signal name=\"changed\"")), qPrintable(xml));
        QVERIFY(xml.contains(QStringLiteral("<property name=\"labels\" type=\"aa{sv}\"")));
        QVERIFY(!xml.contains(QStringLiteral("Requested")));
    }

    void statusCommandAgainstARunningInstance()
    {
        Rig rig;
        auto run = [&rig](const QStringList& arguments, QProcess& process) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), rig.bus.address());
            process.setProcessEnvironment(environment);
            process.start(QStringLiteral(CORVANE_BINARY), arguments);
        };
        // The instance answers from this process's event loop, so waiting must keep it turning.
        auto finish = [](QProcess& process) {
            QSignalSpy done(&process, &QProcess::finished);
            return done.wait(20'000) ? process.exitCode() : -1;
        };

        QProcess plain;
        run({QStringLiteral("--status")}, plain);
        QCOMPARE(finish(plain), 0);
        QCOMPARE(plain.readAllStandardOutput(), QByteArray("IBKR $13  IRA ($5)\n"));

        QProcess json;
        run({QStringLiteral("--status"), QStringLiteral("--json")}, json);
        QCOMPARE(finish(json), 0);
        const QJsonObject object = QJsonDocument::fromJson(json.readAllStandardOutput()).object();
        QCOMPARE(object.value(QStringLiteral("marketState")), QStringLiteral("open"));
        QCOMPARE(object.value(QStringLiteral("labels")).toArray().size(), 2);

        QProcess follow;
        run({QStringLiteral("--status"), QStringLiteral("--follow")}, follow);
        QTRY_VERIFY_WITH_TIMEOUT(follow.canReadLine(), 20'000);
        QCOMPARE(parsed(QString::fromUtf8(follow.readLine())).value(QStringLiteral("class")),
                 QStringLiteral("negative"));
        StatusSnapshot next = sample();
        next.hasError = true;
        // Its subscription went out before the call that brought the first line, so it is in
        // place by now.
        rig.update(next);
        QTRY_VERIFY_WITH_TIMEOUT(follow.canReadLine(), 20'000);
        QCOMPARE(parsed(QString::fromUtf8(follow.readLine())).value(QStringLiteral("class")),
                 QStringLiteral("error"));
        follow.kill();
        follow.waitForFinished();

        rig.server.unregisterService(QString::fromLatin1(statusServiceName));
        QProcess absent;
        run({QStringLiteral("--status"), QStringLiteral("--json")}, absent);
        QCOMPARE(finish(absent), 1);
        // Only the first line is ours: Qt 6.4's D-Bus thread can still warn about a late message
        // while the process exits, after the answer was written.
        QCOMPARE(absent.readAllStandardError().split('\n').constFirst(),
                 QByteArray("Corvane is not running."));
        QVERIFY(absent.readAllStandardOutput().isEmpty());
    }

    void coreFeedsTheInterface()
    {
        test::TestClock clock(test::newYork(2024, 6, 22, 12, 0)); // a Saturday
        test::TestCore core(clock.clock());
        auto status = makeStatusInterface(*core, [] { return sample().labels; });
        core->market().updateStatus();
        core->globalData().setInternetError(QStringLiteral("offline"));
        core->globalData().updateHasError();
        QSignalSpy changed(status.get(), &StatusInterface::changed);
        QTRY_COMPARE(changed.size(), 1);
        QCOMPARE(status->snapshot().marketState, QStringLiteral("closed"));
        QVERIFY(status->snapshot().hasError);
        QCOMPARE(status->snapshot().internetError, QStringLiteral("offline"));
        QCOMPARE(status->snapshot().labels, sample().labels);

        QSignalSpy passes(&core->watch(), &RunWatch::passStarted);
        status->SyncNow();
        QTRY_COMPARE(passes.size(), 1);
        QTRY_VERIFY(!core->watch().isPassRunning());
    }

    void commandLineOptions()
    {
        const QString v = QStringLiteral("1.2.3");
        auto parse = [&v](QStringList args) {
            args.prepend(QStringLiteral("corvane"));
            return parseCommandLine(args, v);
        };
        using A = CommandLine::Action;
        QCOMPARE(parse({}).action, A::runApp);
        QCOMPARE(parse({QStringLiteral("--version")}).text, QStringLiteral("corvane 1.2.3\n"));
        QVERIFY(parse({QStringLiteral("--help")}).text.contains(QStringLiteral("--follow")));
        const CommandLine follow = parse({QStringLiteral("--status"), QStringLiteral("--follow")});
        QCOMPARE(follow.action, A::status);
        QVERIFY(follow.follow && !follow.json);
        QCOMPARE(parse({QStringLiteral("--json")}).action, A::invalid);
        QCOMPARE(parse({QStringLiteral("--stat")}).action, A::invalid);
        QCOMPARE(parse({QStringLiteral("extra")}).action, A::invalid);
    }
};

CORVANE_TEST(StatusInterfaceTest)
#include "test_statusinterface.moc"
