// Corvane's footprint beside the toolkit's floor (a bare Qt Widgets tray program), both run
// the same way: on a virtual X server of their own with a private session bus whose
// StatusNotifierWatcher has a host, Corvane against the fake services with two verified
// accounts and the watch switch off, so nothing polls whatever the time of day. Prints one
// JSON object:
//   startup_ms   exec until the item registers with the watcher (median of the runs)
//   rss_kib      resident memory 10 s after the start
//   (network_floor: the least any networked tray label needs; history_floor: that with a
//   context menu and an SQLite history through Qt SQL, as Corvane's item and curve need; see
//   networkfloor.cpp)
//   idle_cpu_s_per_min  user + system CPU over the following 60 s
//   idle_wakeups_per_min  context switches (voluntary and not) of all its threads over the
//                         same 60 s: how often it wakes the machine while nothing happens
// and the figures that count: rss_over_history_floor (target <= 1.1; rss_over_network_floor
// is kept for comparison with earlier runs) and Corvane's idle
// wake-ups against the bare tray's: at most twice as many, or at most
// idleWakeupsWhenFloorIsSilent a minute when the bare tray does not wake at all (a ratio
// against zero says nothing, so none is printed then).
//
//   build-ci/bench/footprint/bench_footprint [runs]   (default 5 start-ups each)
//
// With CORVANE_FOOTPRINT_DUMP=DIR it also leaves each program's memory map (smaps), status
// and thread names in DIR, taken with the memory figure, to see where the difference lies.
// With CORVANE_FOOTPRINT_CORVANE_ONLY=1 it measures Corvane alone and prints its figures only.

#include "fakeservices.h"
#include "fakewatcher.h"
#include "settings/settings.h"
#include "settings/suite.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <unistd.h>

using namespace corvane;

namespace {

template <class Done> bool waitUntil(Done done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    return done();
}

void pause(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

QString firstLine(QProcess& process)
{
    waitUntil([&] { return process.canReadLine(); }, 10000);
    return QString::fromUtf8(process.readLine()).trimmed();
}

// utime + stime of a process, in seconds.
double cpuSeconds(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray stat = file.readAll();
    // Fields after the command name, which is in parentheses and may hold spaces.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) / ticks;
}

qint64 rssKib(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/status").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Context switches so far of each thread, by thread id.
QMap<QString, qint64> contextSwitches(qint64 pid)
{
    QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    QMap<QString, qint64> switches;
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile file(tasks.filePath(task + QStringLiteral("/status")));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (line.startsWith("voluntary_ctxt_switches:") ||
                line.startsWith("nonvoluntary_ctxt_switches:"))
                switches[task] += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
        }
    }
    return switches;
}

void dumpProcess(qint64 pid, const QString& program)
{
    const QString dir = qEnvironmentVariable("CORVANE_FOOTPRINT_DUMP");
    if (dir.isEmpty())
        return;
    const QString base = QDir(dir).filePath(QFileInfo(program).fileName());
    for (const char* name : {"smaps", "status"}) {
        QFile source(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
        QFile target(base + QLatin1Char('.') + QLatin1String(name));
        if (source.open(QIODevice::ReadOnly) && target.open(QIODevice::WriteOnly))
            target.write(source.readAll());
    }
    QFile threads(base + QStringLiteral(".threads"));
    if (!threads.open(QIODevice::WriteOnly))
        return;
    QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task + QStringLiteral("/comm")));
        if (comm.open(QIODevice::ReadOnly))
            threads.write(comm.readAll());
    }
}

// A thread that ended meanwhile (an idle pool thread does after 30 s) takes its count with
// it, so only the threads still there are counted, from zero if they are new.
qint64 switchesSince(const QMap<QString, qint64>& before, const QMap<QString, qint64>& after)
{
    qint64 total = 0;
    for (auto it = after.begin(); it != after.end(); ++it)
        total += it.value() - before.value(it.key(), 0);
    return total;
}

struct Desktop {
    QProcess bus;
    QProcess xvfb;
    QString busAddress;
    QString display;
    QDBusConnection connection{QString()};

    bool start()
    {
        bus.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--config-file=" CORVANE_SESSION_BUS_CONFIG),
                   QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        busAddress = firstLine(bus);
        xvfb.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                            QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        display = QLatin1Char(':') + firstLine(xvfb);
        connection = QDBusConnection::connectToBus(busAddress, QStringLiteral("footprint"));
        return !busAddress.isEmpty() && display.size() > 1 && connection.isConnected();
    }
    ~Desktop()
    {
        for (QProcess* process : {&xvfb, &bus}) {
            process->terminate();
            process->waitForFinished(3000);
        }
    }
};

// The market is checked once a minute, and a check wakes a few of the program's threads; this
// leaves room for that, while a timer that fires every second (60 or more) stays far out.
constexpr qint64 idleWakeupsWhenFloorIsSilent = 10;

struct Figures {
    double startupMs = 0;
    qint64 rssKib = 0;
    double idleCpuPerMinute = 0;
    qint64 idleWakeupsPerMinute = 0;
};

Figures measure(const QString& program, const QProcessEnvironment& env, Desktop& desktop, int runs)
{
    std::vector<double> startups;
    Figures figures;
    for (int run = 0; run < runs; ++run) {
        test::FakeWatcher watcher(desktop.connection);
        QProcess process;
        process.setProcessEnvironment(env);
        process.setStandardOutputFile(QProcess::nullDevice());
        QElapsedTimer clock;
        clock.start();
        process.start(program, {});
        if (!waitUntil([&] { return !watcher.items().isEmpty(); }, 20000)) {
            std::fprintf(stderr, "%s did not register its item\n", qPrintable(program));
            return {};
        }
        startups.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        // The last run stays for the memory and idle figures.
        if (run == runs - 1) {
            pause(10'000);
            figures.rssKib = rssKib(process.processId());
            dumpProcess(process.processId(), program);
            const double before = cpuSeconds(process.processId());
            const QMap<QString, qint64> switchesBefore = contextSwitches(process.processId());
            pause(60'000);
            figures.idleCpuPerMinute = cpuSeconds(process.processId()) - before;
            figures.idleWakeupsPerMinute =
                switchesSince(switchesBefore, contextSwitches(process.processId()));
        }
        process.terminate();
        if (!process.waitForFinished(5000))
            process.kill();
        process.waitForFinished(1000);
    }
    std::sort(startups.begin(), startups.end());
    figures.startupMs = startups[startups.size() / 2];
    return figures;
}

QJsonObject toJson(const Figures& figures)
{
    return {{QStringLiteral("startup_ms"), figures.startupMs},
            {QStringLiteral("rss_kib"), figures.rssKib},
            {QStringLiteral("idle_cpu_s_per_min"), figures.idleCpuPerMinute},
            {QStringLiteral("idle_wakeups_per_min"), figures.idleWakeupsPerMinute}};
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;

    Desktop desktop;
    fake::FakeServices fake;
    QTemporaryDir config;
    if (!desktop.start() || !fake.start()) {
        std::fprintf(stderr, "cannot start the bus, Xvfb or the fake services\n");
        return 1;
    }
    {
        Suite suite(config.filePath(QStringLiteral("CVNSuite.conf")));
        CVNSettings settings(suite);
        AccountMap accounts;
        for (const char* key : {"test-key-alpha", "test-key-bravo"}) {
            AccountSettings account = AccountSettings::newAccount();
            account.apiKey = QString::fromLatin1(key);
            account.keyVerified = true;
            accounts.insert(account.accountName, account);
        }
        settings.setAccountSettings(accounts);
        settings.setWatchRunning(false);
    }

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), desktop.busAddress);
    env.insert(QStringLiteral("DISPLAY"), desktop.display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    // The history file goes with the throw-away settings, never into the user's own.
    env.insert(QStringLiteral("XDG_DATA_HOME"), config.path());
    env.insert(QStringLiteral("CORVANE_PLATFORM_API_URL"), fake.apiUrl().toString());
    env.insert(QStringLiteral("CORVANE_PUSHOVER_API_URL"), fake.pushoverUrl().toString());
    env.insert(QStringLiteral("CORVANE_PUSHOVER_SOCKET_URL"), fake.socketUrl().toString());
    env.insert(QStringLiteral("CORVANE_EXTRA_CA_FILE"), fake.caFile());

    if (qEnvironmentVariableIsSet("CORVANE_FOOTPRINT_CORVANE_ONLY")) {
        const QJsonObject alone{
            {QStringLiteral("corvane"),
             toJson(measure(QStringLiteral(CORVANE_PROGRAM), env, desktop, runs))}};
        std::printf("%s\n", QJsonDocument(alone).toJson(QJsonDocument::Compact).constData());
        return 0;
    }
    const Figures floor = measure(QStringLiteral(FLOOR_PROGRAM), env, desktop, runs);
    const Figures networkFloor = measure(QStringLiteral(NETWORK_FLOOR_PROGRAM), env, desktop, runs);
    const Figures historyFloor = measure(QStringLiteral(HISTORY_FLOOR_PROGRAM), env, desktop, runs);
    const Figures corvane = measure(QStringLiteral(CORVANE_PROGRAM), env, desktop, runs);
    const auto rssRatio = [](const Figures& a, const Figures& b) {
        return static_cast<double>(a.rssKib) / static_cast<double>(std::max<qint64>(b.rssKib, 1));
    };
    const qint64 allowedWakeups = floor.idleWakeupsPerMinute > 0 ? 2 * floor.idleWakeupsPerMinute
                                                                 : idleWakeupsWhenFloorIsSilent;
    const QJsonObject result{
        {QStringLiteral("floor"), toJson(floor)},
        {QStringLiteral("network_floor"), toJson(networkFloor)},
        {QStringLiteral("history_floor"), toJson(historyFloor)},
        {QStringLiteral("corvane"), toJson(corvane)},
        {QStringLiteral("startup_ratio"), corvane.startupMs / std::max(floor.startupMs, 1e-9)},
        {QStringLiteral("rss_ratio"), rssRatio(corvane, floor)},
        {QStringLiteral("network_floor_rss_ratio"), rssRatio(networkFloor, floor)},
        {QStringLiteral("rss_over_network_floor"), rssRatio(corvane, networkFloor)},
        {QStringLiteral("rss_over_history_floor"), rssRatio(corvane, historyFloor)},
        {QStringLiteral("wakeups_per_min"), corvane.idleWakeupsPerMinute},
        {QStringLiteral("floor_wakeups_per_min"), floor.idleWakeupsPerMinute},
        {QStringLiteral("wakeups_over_floor"),
         floor.idleWakeupsPerMinute > 0
             ? QJsonValue(static_cast<double>(corvane.idleWakeupsPerMinute) /
                          static_cast<double>(floor.idleWakeupsPerMinute))
             : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("wakeups_target"),
         QStringLiteral("<= 2x the bare tray's, or <= %1 per minute when it is at 0")
             .arg(idleWakeupsWhenFloorIsSilent)},
        {QStringLiteral("wakeups_allowed_per_min"), allowedWakeups},
        {QStringLiteral("meets_wakeups_target"), corvane.idleWakeupsPerMinute <= allowedWakeups},
        {QStringLiteral("runs"), runs},
    };
    std::printf("%s\n", QJsonDocument(result).toJson(QJsonDocument::Compact).constData());
    return 0;
}
