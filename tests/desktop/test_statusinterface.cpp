#include "app/commandline.h"
#include "app/statusclient.h"
#include "app/statusinterface.h"
#include "engine/runwatch.h"
#include "privatebus.h"
#include "support/logcapture.h"
#include "support/testclock.h"
#include "support/testcore.h"
#include "support/testregistry.h"

#include <QDBusMessage>
#include <QJsonDocument>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

using namespace corvane;
using namespace Qt::StringLiterals;

namespace {

const QString service = QString::fromLatin1(statusServiceName);

StatusSnapshot sample()
{
    StatusSnapshot status;
    status.labels = {{u"IBKR"_s, u"$13"_s, true, 12.4, 20.2, -3},
                     {u"IRA"_s, u"($5)"_s, false, -4.6}};
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
    // A panel colours the whole row by its class: by the sum of what it shows, neutral when it
    // shows no amount, an error above all.
    void panelClassFollowsTheSumAndErrors()
    {
        auto classOf = [](const QList<ShownLabel>& labels, bool hasError = false) {
            StatusSnapshot status;
            status.labels = labels;
            status.hasError = hasError;
            return panelJson(status)[u"class"_s].toString();
        };
        const ShownLabel paper{u"Etrade Paper"_s, u"$300"_s, true, 299.5};
        const ShownLabel loss{u"IRA"_s, u"($5)"_s, false, -4.6};
        const ShownLabel closed{u"IBKR"_s, u"Mkt closed"_s, false, std::nullopt};
        QCOMPARE(classOf({paper, loss}), u"positive"_s);
        QCOMPARE(classOf({loss, closed}), u"negative"_s);
        QCOMPARE(classOf({{u"A"_s, u"$1"_s, true, 0.1},
                          {u"B"_s, u"$1"_s, true, 0.2},
                          {u"C"_s, u"($1)"_s, false, -0.3}}),
                 u"negative"_s); // nothing gained: no green
        for (const auto& neutral : {QList<ShownLabel>{}, QList<ShownLabel>{closed},
                                    QList<ShownLabel>{{u"IRA"_s, u"No data"_s, false, {}}}})
            QCOMPARE(classOf(neutral), u"neutral"_s);
        QCOMPARE(classOf({paper}, true), u"error"_s);
        StatusSnapshot quiet;
        quiet.labels = {closed};
        QCOMPARE(statusJson(quiet)[u"labels"_s][0][u"sign"_s], u"neutral"_s);

        StatusSnapshot erring = sample();
        erring.criticalError = u"Invalid API key."_s;
        erring.hasError = true;
        QVERIFY(panelJson(erring)[u"tooltip"_s].toString().contains(erring.criticalError));
        QCOMPARE(panelJson(std::nullopt)[u"class"_s], u"error"_s);
    }

    // Xfce's plugin reads Pango markup: the amounts in the tray's colours, and whatever the
    // user typed as a nickname escaped, so it can neither break the markup nor the tags.
    void genmonTagsAndMarkup()
    {
        StatusSnapshot status = sample();
        status.labels.append({u"R&D <txt>"_s, u"No data"_s, false, std::nullopt});
        status.marketState = u"open"_s;
        status.lastupdated.clear();
        QCOMPARE(genmonText(status, u"/usr/bin/corvane"_s),
                 u"<txt>IBKR <span foreground=\"#34C759\">$13</span>  "
                 "IRA <span foreground=\"#FF453A\">($5)</span>  R&amp;D &lt;txt&gt; No data</txt>"
                 "<tool>IBKR $13 · high $21 · low ($3)\nIRA ($5)\nR&amp;D &lt;txt&gt; No "
                 "data\nMarket: open</tool>"
                 "<txtclick>/usr/bin/corvane</txtclick>"_s);
        status.labels.clear();
        status.hasError = true;
        QVERIFY(genmonText(status, u"corvane"_s).startsWith(u"<txt>⚠ Corvane</txt>"_s));
        QCOMPARE(genmonText(std::nullopt, u"corvane"_s),
                 u"<txt>⚠ Corvane</txt><tool>Corvane is not running.</tool>"
                 "<txtclick>corvane</txtclick>"_s);
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
        auto run = [&bus](const QStringList& arguments, QProcess& process,
                          const QString& program = QStringLiteral(CORVANE_BINARY)) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, bus.address());
            process.setProcessEnvironment(environment);
            process.start(program, arguments);
        };
        // The instance answers from this process's event loop, so waiting must keep it turning.
        auto finish = [](QProcess& process) {
            QSignalSpy done(&process, &QProcess::finished);
            return done.wait(20'000) ? process.exitCode() : -1;
        };

        // What the tray shows goes over the bus whole, warning, amounts and all.
        StatusSnapshot erring = sample();
        erring.labels.append({u"Paper"_s, u"Mkt closed"_s, false, std::nullopt});
        erring.internetError = u"Cannot connect to the internet. Check your connection."_s;
        erring.hasError = true;
        show(erring);
        QTRY_COMPARE(published.snapshot(), erring);
        QProcess plain;
        run({u"--status"_s}, plain);
        QCOMPARE(finish(plain), 0);
        QCOMPARE(plain.readAllStandardOutput(),
                 QByteArray("⚠ IBKR $13  IRA ($5)  Paper Mkt closed\n"));
        QProcess json;
        run({u"--status"_s, u"--json"_s}, json);
        QCOMPARE(finish(json), 0);
        const QJsonObject object = QJsonDocument::fromJson(json.readAllStandardOutput()).object();
        QCOMPARE(object, statusJson(erring));
        QCOMPARE(object[u"labels"_s][1][u"total"_s].toDouble(), -4.6);
        QCOMPARE(object[u"labels"_s][0][u"dayLow"_s].toDouble(), -3.0);
        QVERIFY(!object[u"labels"_s][1].toObject().contains(u"dayHigh"_s));
        QCOMPARE(object[u"labels"_s][2][u"sign"_s], u"neutral"_s);
        QVERIFY(object[u"criticalError"_s].isNull());
        QProcess genmon;
        run({u"--status"_s, u"--format"_s, u"genmon"_s}, genmon);
        QCOMPARE(finish(genmon), 0);
        const QString tags = QString::fromUtf8(genmon.readAllStandardOutput());
        QVERIFY2(tags.startsWith(u"<txt>⚠ IBKR <span foreground=\"#34C759\">$13</span>"_s),
                 qPrintable(tags));
        QVERIFY(
            tags.endsWith(u"<txtclick>"_s + QStringLiteral(CORVANE_BINARY) + u"</txtclick>\n"_s));

        // Following prints each change once and the instance going and coming back.
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
        Q_EMIT published.changed(); // nothing the panel shows
        StatusSnapshot closed = sample();
        closed.labels = {{u"IBKR"_s, u"Mkt closed"_s, false, std::nullopt}};
        show(closed);
        const QJsonObject neutral = next();
        QCOMPARE(neutral[u"text"_s], u"IBKR Mkt closed"_s);
        QCOMPARE(neutral[u"class"_s], u"neutral"_s);
        server.unregisterService(service);
        QCOMPARE(next()[u"tooltip"_s], u"Corvane is not running."_s);
        show(sample());
        QVERIFY(server.registerService(service));
        QCOMPARE(next()[u"class"_s], u"positive"_s);
        follow.kill();
        follow.waitForFinished();

        // A bar that ignores SIGPIPE hands that on to its module; the follower must still go
        // once the bar stops reading.
        int pipeEnds[2];
        QCOMPARE(::pipe2(pipeEnds, O_CLOEXEC), 0);
        QProcess piped;
        piped.setStandardOutputFile(QProcess::nullDevice());
        piped.setChildProcessModifier([&pipeEnds] {
            ::signal(SIGPIPE, SIG_IGN);
            ::dup2(pipeEnds[1], STDOUT_FILENO);
        });
        run({u"--status"_s, u"--follow"_s}, piped);
        ::close(pipeEnds[1]);
        ::fcntl(pipeEnds[0], F_SETFL, O_NONBLOCK);
        QByteArray first;
        QVERIFY(QTest::qWaitFor(
            [&] {
                char buffer[512];
                const ssize_t got = ::read(pipeEnds[0], buffer, sizeof buffer);
                first.append(buffer, std::max<ssize_t>(got, 0));
                return first.contains('\n');
            },
            20'000));
        ::close(pipeEnds[0]);
        QSignalSpy ended(&piped, &QProcess::finished);
        show(closed);
        QVERIFY(ended.wait(20'000));

        server.unregisterService(service);
        QProcess absent;
        run({u"--status"_s, u"--json"_s}, absent);
        QCOMPARE(finish(absent), 1);
        // Only the first line is ours: Qt 6.4's D-Bus thread can still warn about a late message
        // while the process exits, after the answer was written.
        QCOMPARE(absent.readAllStandardError().split('\n').constFirst(),
                 QByteArray("Corvane is not running."));
        QVERIFY(absent.readAllStandardOutput().isEmpty());
        // A panel shows the absence, where a script gets the exit status.
        QProcess bar;
        run({u"--status"_s, u"--format"_s, u"waybar"_s}, bar);
        QCOMPARE(finish(bar), 1);
        QCOMPARE(parsed(QString::fromUtf8(bar.readAllStandardOutput()))[u"class"_s], u"error"_s);
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
        test::LogCapture log;
        for (const QString& method : {u"SyncNow"_s, u"OpenPopover"_s})
            QCOMPARE(client.call(callOf(method), QDBus::BlockWithGui).type(),
                     QDBusMessage::ReplyMessage);
        QTRY_COMPARE(passes.size(), 1);
        QCOMPARE(popover.size(), 1);
        // A pass asked for from outside is logged as the popover's "Sync now" logs it.
        QCOMPARE(log.lines().value(0), u"in manualStart"_s);
        const QDBusMessage introspect = client.call(
            callOf(u"Introspect"_s, u"org.freedesktop.DBus.Introspectable"_s), QDBus::BlockWithGui);
        const QString xml = introspect.arguments().value(0).toString();
        QVERIFY2(xml.contains(u"<signal name=\"changed\""_s), qPrintable(xml));
        QVERIFY(xml.contains(u"<property name=\"labels\" type=\"aa{sv}\""_s));
        QVERIFY(!xml.contains(u"Requested"_s));
        QTRY_VERIFY(!core->watch().isPassRunning());
    }

    // The accepted forms run above and from the package; here, the ones turned away, and a
    // start with nowhere to show a window.
    void commandLineOptions()
    {
        auto parse = [](const QStringList& args) {
            return parseCommandLine(QStringList{u"corvane"_s} + args, u"1.2.3"_s);
        };
        QVERIFY(parse({u"--help"_s}).text.contains(u"--follow"_s));
        const QList<QStringList> wrong = {
            {u"--json"_s},
            {u"--stat"_s},
            {u"extra"_s},
            {u"--format"_s, u"genmon"_s},
            {u"--status"_s, u"--format"_s, u"xml"_s},
            {u"--status"_s, u"--json"_s, u"--format"_s, u"genmon"_s},
            {u"--status"_s, u"--follow"_s, u"--format"_s, u"genmon"_s},
            {u"--status"_s, u"--follow"_s, u"--json"_s}};
        for (const QStringList& args : wrong)
            QVERIFY2(parse(args).action == CommandLine::Action::invalid,
                     qPrintable(args.join(u' ')));
        QCOMPARE(parse({u"--status"_s, u"--follow"_s}).format, CommandLine::Format::waybar);

        auto session = [](const QStringList& variables) {
            QProcessEnvironment environment;
            for (const QString& variable : variables)
                environment.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
            return hasGraphicalSession(environment);
        };
        QVERIFY(session({u"DISPLAY=:0"_s}));
        QVERIFY(session({u"WAYLAND_DISPLAY=wayland-0"_s, u"QT_QPA_PLATFORM=wayland"_s}));
        QVERIFY(session({u"QT_QPA_PLATFORM=offscreen"_s}));
        QVERIFY(session({u"QT_QPA_PLATFORM=wayland;vnc:size=800x600"_s}));
        for (const QString& platform : {u""_s, u"xcb"_s, u"wayland;xcb"_s})
            QVERIFY(!session({u"DISPLAY="_s, u"QT_QPA_PLATFORM="_s + platform}));

        // Qt would abort with a core dump; the user gets a sentence.
        QProcess headless;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString& variable : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
            environment.remove(variable);
        headless.setProcessEnvironment(environment);
        headless.start(QStringLiteral(CORVANE_BINARY), {});
        QVERIFY(headless.waitForFinished(20'000));
        QCOMPARE(headless.exitStatus(), QProcess::NormalExit);
        QCOMPARE(headless.exitCode(), 1);
        QCOMPARE(headless.readAllStandardError(),
                 QByteArray("Corvane needs a graphical session (no display found).\n"));
    }
};

CORVANE_TEST(StatusInterfaceTest)
#include "test_statusinterface.moc"
