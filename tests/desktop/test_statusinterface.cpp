#include "app/commandline.h"
#include "app/statusclient.h"
#include "app/statusinterface.h"
#include "engine/runwatch.h"
#include "privatebus.h"
#include "support/testclock.h"
#include "support/testcore.h"
#include "support/testregistry.h"

#include <QDBusMessage>
#include <QJsonDocument>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

using namespace corvane;
using namespace Qt::StringLiterals;

namespace {

const QString service = QString::fromLatin1(statusServiceName);

StatusSnapshot sample()
{
    StatusSnapshot status;
    status.labels = {{u"IBKR"_s, u"$13"_s, true}, {u"IRA"_s, u"($5)"_s, false}};
    status.marketState = u"open"_s;
    status.lastupdated = u"2024-06-18T11:05:00-04:00"_s;
    return status;
}

// A call on the status object; made by hand, since a proxy object would introspect it with a
// blocking call that the in-process instance could not answer.
QDBusMessage callOf(const QString& method,
                    const QString& interface = QString::fromLatin1(statusInterfaceName))
{
    return QDBusMessage::createMethodCall(service, QString::fromLatin1(statusObjectPath), interface,
                                          method);
}

QJsonObject parsed(const QString& line)
{
    return QJsonDocument::fromJson(line.toUtf8()).object();
}

} // namespace

class StatusInterfaceTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void panelClassFollowsSignsAndErrors()
    {
        StatusSnapshot status = sample();
        status.labels.removeLast();
        QCOMPARE(panelJson(status)[u"class"_s], u"positive"_s);
        status.criticalError = u"Invalid API key."_s;
        status.hasError = true;
        const QJsonObject erring = panelJson(status);
        QCOMPARE(erring[u"class"_s], u"error"_s);
        QVERIFY(erring[u"tooltip"_s].toString().contains(status.criticalError));
        QCOMPARE(panelJson(std::nullopt)[u"class"_s], u"error"_s);
        status.labels.clear();
        status.hasError = false;
        QCOMPARE(panelJson(status)[u"class"_s], u"negative"_s);
    }

    void statusCommandAgainstARunningInstance()
    {
        // A running instance on a private session bus, showing what `status` holds.
        test::PrivateBus bus;
        QVERIFY(bus.isUp());
        StatusSnapshot status = sample();
        StatusInterface published([&status] { return status; });
        QDBusConnection server = bus.connect(u"server"_s);
        QVERIFY(published.exportOn(server) && server.registerService(service));
        auto show = [&](const StatusSnapshot& next) {
            status = next;
            published.scheduleRefresh();
        };
        auto run = [&bus](const QStringList& arguments, QProcess& process) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, bus.address());
            process.setProcessEnvironment(environment);
            process.start(QStringLiteral(CORVANE_BINARY), arguments);
        };
        // The instance answers from this process's event loop, so waiting must keep it turning.
        auto finish = [](QProcess& process) {
            QSignalSpy done(&process, &QProcess::finished);
            return done.wait(20'000) ? process.exitCode() : -1;
        };

        // What the tray shows goes over the bus whole, warning and all.
        StatusSnapshot erring = sample();
        erring.internetError = u"Cannot connect to the internet. Check your connection."_s;
        erring.hasError = true;
        show(erring);
        QTRY_COMPARE(published.snapshot(), erring);
        QProcess plain;
        run({u"--status"_s}, plain);
        QCOMPARE(finish(plain), 0);
        QCOMPARE(plain.readAllStandardOutput(), QByteArray("⚠ IBKR $13  IRA ($5)\n"));
        QProcess json;
        run({u"--status"_s, u"--json"_s}, json);
        QCOMPARE(finish(json), 0);
        const QJsonObject object = QJsonDocument::fromJson(json.readAllStandardOutput()).object();
        QCOMPARE(object, statusJson(erring));
        QCOMPARE(object[u"labels"_s][1][u"sign"_s], u"negative"_s);
        QVERIFY(object[u"criticalError"_s].isNull());

        // Following prints every change and the instance going and coming back.
        QProcess follow;
        run({u"--status"_s, u"--follow"_s}, follow);
        auto next = [&follow] {
            return QTest::qWaitFor([&] { return follow.canReadLine(); }, 20'000)
                       ? parsed(QString::fromUtf8(follow.readLine()))
                       : QJsonObject();
        };
        QCOMPARE(next()[u"class"_s], u"error"_s);
        // Its subscription went out before the call that brought the first line, so it is in
        // place by now.
        show(sample());
        QCOMPARE(next()[u"text"_s], u"IBKR $13  IRA ($5)"_s);
        server.unregisterService(service);
        QCOMPARE(next()[u"tooltip"_s], u"Corvane is not running."_s);
        QVERIFY(server.registerService(service));
        QCOMPARE(next()[u"class"_s], u"negative"_s);
        follow.kill();
        follow.waitForFinished();

        server.unregisterService(service);
        QProcess absent;
        run({u"--status"_s, u"--json"_s}, absent);
        QCOMPARE(finish(absent), 1);
        // Only the first line is ours: Qt 6.4's D-Bus thread can still warn about a late message
        // while the process exits, after the answer was written.
        QCOMPARE(absent.readAllStandardError().split('\n').constFirst(),
                 QByteArray("Corvane is not running."));
        QVERIFY(absent.readAllStandardOutput().isEmpty());
    }

    // The root feeds the status object: a burst of changes is announced once, and what the
    // tray shows is read from the market, the errors and the labels.
    void coreFeedsTheInterface()
    {
        test::TestClock clock(test::newYork(2024, 6, 22, 12, 0)); // a Saturday
        test::TestCore core(clock.clock());
        auto status = makeStatusInterface(*core, [] { return sample().labels; });
        core->market().updateStatus();
        core->globalData().setInternetError(u"offline"_s);
        core->globalData().updateHasError();
        // Three changes in a burst, one announcement; a refresh with nothing new, none.
        QSignalSpy changed(status.get(), &StatusInterface::changed);
        QTRY_COMPARE(changed.size(), 1);
        status->scheduleRefresh();
        QTest::qWait(50);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(status->snapshot().marketState, u"closed"_s);
        QVERIFY(status->snapshot().hasError);
        QCOMPARE(status->snapshot().internetError, u"offline"_s);
        QCOMPARE(status->snapshot().labels, sample().labels);

        // Over the bus, its methods reach the root and the shell; the shell's own signals are
        // not part of the interface.
        test::PrivateBus bus;
        QDBusConnection server = bus.connect(u"server"_s);
        QDBusConnection client = bus.connect(u"client"_s);
        QVERIFY(status->exportOn(server) && server.registerService(service));
        QSignalSpy passes(&core->watch(), &RunWatch::passStarted);
        QSignalSpy popover(status.get(), &StatusInterface::openPopoverRequested);
        for (const QString& method : {u"SyncNow"_s, u"OpenPopover"_s})
            QCOMPARE(client.call(callOf(method), QDBus::BlockWithGui).type(),
                     QDBusMessage::ReplyMessage);
        QTRY_COMPARE(passes.size(), 1);
        QCOMPARE(popover.size(), 1);
        const QDBusMessage introspect = client.call(
            callOf(u"Introspect"_s, u"org.freedesktop.DBus.Introspectable"_s), QDBus::BlockWithGui);
        const QString xml = introspect.arguments().value(0).toString();
        QVERIFY2(xml.contains(u"<signal name=\"changed\""_s), qPrintable(xml));
        QVERIFY(xml.contains(u"<property name=\"labels\" type=\"aa{sv}\""_s));
        QVERIFY(!xml.contains(u"Requested"_s));
        QTRY_VERIFY(!core->watch().isPassRunning());
    }

    // The accepted forms run above and from the package; here, the ones turned away.
    void commandLineOptions()
    {
        auto parse = [](const QStringList& args) {
            return parseCommandLine(QStringList{u"corvane"_s} + args, u"1.2.3"_s);
        };
        QVERIFY(parse({u"--help"_s}).text.contains(u"--follow"_s));
        for (const QString& wrong : {u"--json"_s, u"--stat"_s, u"extra"_s})
            QCOMPARE(parse({wrong}).action, CommandLine::Action::invalid);
    }
};

CORVANE_TEST(StatusInterfaceTest)
#include "test_statusinterface.moc"
