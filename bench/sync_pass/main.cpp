// bench_sync_pass: the CPU and main-thread cost of a watch pass against the fake Orrisfield
// service on loopback, over real TLS. The fake runs as its own process (corvane-fake-services
// with a generated fixtures folder), so the figures are the client's alone. Prints JSON.
//
// Absolute CPU times differ between machines, so each scenario also measures a floor in the
// same run: the same answers fetched over the same TLS connection kind by a bare
// QNetworkAccessManager and parsed by simdjson's DOM parser, nothing else. The figures that
// count are cpu_over_floor (target <= 1.5) and the main thread's longest busy stretch in CPU
// time (target <= 2 ms); the wall-clock stall includes other threads' and processes' turns
// on a busy machine and is information only.
//
//   bench_sync_pass [--fake PATH]

#include "app/core.h"
#include "positionsgenerator.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <simdjson.h>
#include <unistd.h>

using namespace corvane;

namespace {

double cpuMilliseconds(clockid_t clock = CLOCK_PROCESS_CPUTIME_ID)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct PassFigures {
    double wallMs;
    double cpuMs;      // the whole process: main thread, network thread, workers, TLS
    double mainCpuMs;  // the main thread alone
    double stallMs;    // the longest late tick, in wall time: counts other processes' turns too
    double stallCpuMs; // the main thread's CPU time between two ticks: its longest busy stretch
    double peakAboveIdleMb; // peak resident memory during the pass above the resident before it
};

// A field of /proc/self/status, in kB.
qint64 statusKb(const QByteArray& field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(QByteArray(field + ':')))
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

// Restarts the kernel's peak resident count (VmHWM) from the current resident size.
void resetPeakResident()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (!clear.open(QIODevice::WriteOnly) || clear.write("5") != 1)
        qFatal("cannot reset the peak resident size");
}

struct Scenario {
    QString name;
    int accounts;
    int brokersPerAccount;
    int positionsPerBroker;
    int legs;
};

void writeFixture(const QString& folder, const QString& key, const QStringList& brokers,
                  int positionsPerBroker, int legs, unsigned seed)
{
    QDir(folder).mkpath(key);
    auto write = [&](const QString& name, const QByteArray& body) {
        QFile file(folder + u'/' + key + u'/' + name);
        if (!file.open(QIODevice::WriteOnly) || file.write(body) != body.size())
            qFatal("cannot write fixture %s", qPrintable(file.fileName()));
    };
    write(QStringLiteral("positions.json"),
          generatePositions(brokers, positionsPerBroker, legs, seed));
    write(QStringLiteral("broker_connections.json"), generateBrokerConnections(brokers));
    write(QStringLiteral("bots.json"), QByteArrayLiteral(R"({"success":true,"message":""})"));
}

QString keyOf(const Scenario& s, int account)
{
    return QStringLiteral("bench-%1-%2").arg(s.name).arg(account);
}

// Waits for the fake's one JSON line on standard output.
QJsonObject startFake(QProcess& fake, const QString& program, const QString& fixtures)
{
    fake.setProgram(program);
    fake.setArguments({QStringLiteral("--fixtures"), fixtures});
    fake.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    fake.start();
    if (!fake.waitForStarted(10'000))
        qFatal("cannot start %s", qPrintable(program));
    while (!fake.canReadLine()) {
        if (!fake.waitForReadyRead(30'000))
            qFatal("the fake service said nothing");
    }
    return QJsonDocument::fromJson(fake.readLine()).object();
}

QJsonArray recordedRequests(QNetworkAccessManager& network, const QUrl& api)
{
    QUrl url = api;
    url.setPath(QStringLiteral("/_control/requests"));
    QNetworkReply* reply = network.get(QNetworkRequest(url));
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    reply->deleteLater();
    return QJsonDocument::fromJson(reply->readAll()).array();
}

// The floor of one pass: the requests the pass made, sent at once by a bare network manager,
// each answer parsed by simdjson's DOM parser. Process CPU time in ms.
double floorPass(QNetworkAccessManager& network, const QUrl& api, const QJsonArray& requests)
{
    simdjson::dom::parser parser;
    const double before = cpuMilliseconds();
    int pending = 0;
    size_t elements = 0;
    QEventLoop loop;
    for (const QJsonValue& entry : requests) {
        const QJsonObject r = entry.toObject();
        QUrl url = api;
        url.setPath(r.value(QStringLiteral("path")).toString());
        url.setQuery(r.value(QStringLiteral("query")).toString());
        QNetworkRequest request(url);
        const QJsonObject headers = r.value(QStringLiteral("headers")).toObject();
        for (auto it = headers.begin(); it != headers.end(); ++it) {
            const QString name = it.key().toLower();
            if (name == u"authorization" || name == u"accept")
                request.setRawHeader(it.key().toLatin1(), it.value().toString().toUtf8());
        }
        QNetworkReply* reply = network.get(request);
        ++pending;
        QObject::connect(reply, &QNetworkReply::finished, &loop, [&, reply] {
            QByteArray body = reply->readAll();
            const size_t length = size_t(body.size());
            body.reserve(body.size() + qsizetype(simdjson::SIMDJSON_PADDING));
            simdjson::dom::element root;
            if (parser.parse(body.constData(), length, false).get(root) != simdjson::SUCCESS)
                qFatal("the floor could not parse an answer");
            elements += root.is_object() ? 1 : 0;
            reply->deleteLater();
            if (--pending == 0)
                loop.quit();
        });
    }
    if (pending > 0)
        loop.exec();
    if (elements != size_t(requests.size()))
        qFatal("the floor's answers were not all objects");
    return cpuMilliseconds() - before;
}

void clearRequests(QNetworkAccessManager& network, const QUrl& api)
{
    QUrl url = api;
    url.setPath(QStringLiteral("/_control/requests/clear"));
    QNetworkReply* reply = network.post(QNetworkRequest(url), QByteArray());
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    reply->deleteLater();
}

PassFigures measurePass(RunWatch& runWatch)
{
    // The main thread's longest stall: how late a 1 ms repeating timer fires.
    QElapsedTimer sinceTick;
    qint64 worstGapNs = 0;
    double lastTickCpuMs = 0;
    double worstGapCpuMs = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        worstGapNs = std::max(worstGapNs, sinceTick.nsecsElapsed());
        sinceTick.restart();
        const double now = cpuMilliseconds(CLOCK_THREAD_CPUTIME_ID);
        worstGapCpuMs = std::max(worstGapCpuMs, now - lastTickCpuMs);
        lastTickCpuMs = now;
    });

    const qint64 idleKb = statusKb("VmRSS");
    resetPeakResident();
    QElapsedTimer wall;
    const double cpuBefore = cpuMilliseconds();
    const double mainBefore = cpuMilliseconds(CLOCK_THREAD_CPUTIME_ID);
    wall.start();
    sinceTick.start();
    lastTickCpuMs = cpuMilliseconds(CLOCK_THREAD_CPUTIME_ID);
    ticker.start();
    runWatch.manualStart();
    while (runWatch.isPassRunning())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    ticker.stop();
    return PassFigures{double(wall.nsecsElapsed()) / 1e6,
                       cpuMilliseconds() - cpuBefore,
                       cpuMilliseconds(CLOCK_THREAD_CPUTIME_ID) - mainBefore,
                       std::max(0.0, double(worstGapNs) / 1e6 - 1.0),
                       worstGapCpuMs,
                       double(statusKb("VmHWM") - idleKb) / 1024.0};
}

QJsonObject runScenario(const Scenario& s, const QUrl& api, QNetworkAccessManager& network,
                        qint64 answerBytes)
{
    QTemporaryDir suiteDir;
    CoreConfig config;
    config.suitePath = suiteDir.filePath(QStringLiteral("CVNSuite.conf"));
    config.network = &network;
    config.platformApiUrl = api;
    Core core(config);
    CVNSettings& settings = core.settings();
    AccountMap accounts;
    for (int a = 0; a < s.accounts; ++a) {
        AccountSettings account = AccountSettings::newAccount();
        account.apiKey = keyOf(s, a);
        account.keyVerified = true;
        accounts.insert(account.accountName, account);
    }
    settings.setAccountSettings(accounts);

    ProcessedDataManager& store = core.store();
    GlobalData& globalData = core.globalData();
    RunWatch& runWatch = core.watch();

    // A warm-up pass opens the TLS connection and fills the store, as in a running app.
    runWatch.manualStart();
    while (runWatch.isPassRunning())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    clearRequests(network, api);

    const int passes = 7;
    QList<PassFigures> figures;
    for (int pass = 0; pass < passes; ++pass)
        figures.append(measurePass(runWatch));
    const QJsonArray recorded = recordedRequests(network, api);
    const qsizetype requests = recorded.size() / passes;
    QJsonArray onePass;
    for (qsizetype i = 0; i < requests; ++i)
        onePass.append(recorded.at(i));
    QList<double> floorCpu;
    for (int pass = 0; pass < passes; ++pass)
        floorCpu.append(floorPass(network, api, onePass));
    const double floorCpuMs = median(floorCpu);

    const int positions = s.accounts * s.brokersPerAccount * s.positionsPerBroker;
    if (globalData.hasError())
        qFatal("the pass failed: %s %s", qPrintable(globalData.criticalErrorText()),
               qPrintable(globalData.internetErrorText()));
    auto pick = [&](double PassFigures::*field) {
        QList<double> values;
        for (const PassFigures& f : figures)
            values.append(f.*field);
        return values;
    };
    const double wallMs = median(pick(&PassFigures::wallMs));
    const double cpuMs = median(pick(&PassFigures::cpuMs));
    const double mainCpuMs = median(pick(&PassFigures::mainCpuMs));
    const QList<double> stalls = pick(&PassFigures::stallMs);
    const double stallMs = median(stalls);
    const double worstStallMs = *std::max_element(stalls.begin(), stalls.end());
    const QList<double> busy = pick(&PassFigures::stallCpuMs);
    const double worstBusyMs = *std::max_element(busy.begin(), busy.end());
    const QList<double> peaks = pick(&PassFigures::peakAboveIdleMb);
    const double peakMb = *std::max_element(peaks.begin(), peaks.end());
    const double answerMb = double(answerBytes) / (1024.0 * 1024.0);
    return QJsonObject{
        {QStringLiteral("passes_measured"), passes},
        {QStringLiteral("statistic"), QStringLiteral("median")},
        {QStringLiteral("scenario"), s.name},
        {QStringLiteral("accounts"), s.accounts},
        {QStringLiteral("brokers_per_account"), s.brokersPerAccount},
        {QStringLiteral("positions"), positions},
        {QStringLiteral("legs_per_position"), s.legs},
        {QStringLiteral("wall_ms"), wallMs},
        {QStringLiteral("cpu_ms"), cpuMs},
        {QStringLiteral("floor_cpu_ms"), floorCpuMs},
        {QStringLiteral("cpu_over_floor"), cpuMs / floorCpuMs},
        {QStringLiteral("main_thread_cpu_ms"), mainCpuMs},
        {QStringLiteral("requests"), qint64(requests)},
        {QStringLiteral("cpu_ms_per_1000_positions"), cpuMs * 1000.0 / positions},
        {QStringLiteral("main_thread_cpu_ms_per_1000_positions"), mainCpuMs * 1000.0 / positions},
        {QStringLiteral("longest_stall_ms"), stallMs},
        {QStringLiteral("worst_stall_ms"), worstStallMs},
        {QStringLiteral("main_thread_longest_busy_cpu_ms"), median(busy)},
        {QStringLiteral("main_thread_worst_busy_cpu_ms"), worstBusyMs},
        {QStringLiteral("largest_answer_mb"), answerMb},
        {QStringLiteral("worst_peak_rss_above_idle_mb"), peakMb},
        {QStringLiteral("peak_rss_above_idle_over_answer"), peakMb / answerMb},
        {QStringLiteral("rolled_up_total"), store.rolledUpTotal()},
        {QStringLiteral("meets_cpu_target"), cpuMs / floorCpuMs <= 1.5},
        {QStringLiteral("meets_stall_target"), worstBusyMs <= 2.0},
        {QStringLiteral("meets_memory_target"), peakMb <= 4 * answerMb},
    };
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QString program = QStringLiteral(FAKE_SERVICES_PROGRAM);
    const QStringList args = app.arguments();
    if (const qsizetype at = args.indexOf(QStringLiteral("--fake")); at > 0 && at + 1 < args.size())
        program = args[at + 1];

    const QList<Scenario> scenarios{
        {QStringLiteral("5x3x200"), 5, 3, 200, 4},
        {QStringLiteral("1x1x1000"), 1, 1, 1000, 4},
    };
    QTemporaryDir fixtures;
    unsigned seed = 1;
    QList<qint64> answerBytes;
    for (const Scenario& s : scenarios) {
        answerBytes.append(0);
        for (int a = 0; a < s.accounts; ++a) {
            QStringList brokers;
            for (int b = 0; b < s.brokersPerAccount; ++b)
                brokers << QStringLiteral("bc_%1_%2_%3").arg(s.name).arg(a).arg(b);
            writeFixture(fixtures.path(), keyOf(s, a), brokers, s.positionsPerBroker, s.legs,
                         seed++);
            const QFileInfo answer(fixtures.path() + u'/' + keyOf(s, a) + u"/positions.json");
            answerBytes.last() = std::max(answerBytes.last(), answer.size());
        }
    }

    QProcess fake;
    const QJsonObject info = startFake(fake, program, fixtures.path());
    const QUrl api(info.value(QStringLiteral("api")).toString());
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.addCaCertificates(QSslCertificate::fromPath(info.value(QStringLiteral("ca")).toString()));
    QSslConfiguration::setDefaultConfiguration(tls);

    // The engine's diagnostic lines also go to standard output; keep them out of the JSON.
    std::fflush(stdout);
    const int savedStdout = ::dup(STDOUT_FILENO);
    const int devNull = ::open("/dev/null", O_WRONLY);
    ::dup2(devNull, STDOUT_FILENO);

    QNetworkAccessManager network;
    QJsonArray results;
    for (qsizetype i = 0; i < scenarios.size(); ++i)
        results.append(runScenario(scenarios[i], api, network, answerBytes[i]));

    std::fflush(stdout);
    ::dup2(savedStdout, STDOUT_FILENO);
    ::close(devNull);
    ::close(savedStdout);

    fake.terminate();
    fake.waitForFinished(5'000);
    const QJsonObject report{
        {QStringLiteral("benchmark"), QStringLiteral("sync_pass")},
        {QStringLiteral("targets"),
         QJsonObject{{QStringLiteral("cpu_over_floor_max"), 1.5},
                     {QStringLiteral("main_thread_worst_busy_cpu_ms_max"), 2},
                     {QStringLiteral("peak_rss_above_idle_over_answer_max"), 4}}},
        {QStringLiteral("runs"), results},
    };
    std::printf("%s\n", QJsonDocument(report).toJson(QJsonDocument::Indented).constData());
    return 0;
}
