// bench_sync_pass: the CPU and main-thread cost of a watch pass against the fake Orrisfield
// service on loopback, over real TLS. The fake runs as its own process (corvane-fake-services
// with a generated fixtures folder), so the figures are the client's alone. Prints JSON.
//
//   bench_sync_pass [--fake PATH]

#include "app/core.h"
#include "positionsgenerator.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
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
    double cpuMs;     // the whole process: main thread, network thread, TLS
    double mainCpuMs; // the main thread alone: decoding and processing the answers
    double stallMs;
};

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

qsizetype requestCount(QNetworkAccessManager& network, const QUrl& api)
{
    QUrl url = api;
    url.setPath(QStringLiteral("/_control/requests"));
    QNetworkReply* reply = network.get(QNetworkRequest(url));
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    reply->deleteLater();
    return QJsonDocument::fromJson(reply->readAll()).array().size();
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
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        worstGapNs = std::max(worstGapNs, sinceTick.nsecsElapsed());
        sinceTick.restart();
    });

    QElapsedTimer wall;
    const double cpuBefore = cpuMilliseconds();
    const double mainBefore = cpuMilliseconds(CLOCK_THREAD_CPUTIME_ID);
    wall.start();
    sinceTick.start();
    ticker.start();
    runWatch.manualStart();
    while (runWatch.isPassRunning())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    ticker.stop();
    return PassFigures{double(wall.nsecsElapsed()) / 1e6, cpuMilliseconds() - cpuBefore,
                       cpuMilliseconds(CLOCK_THREAD_CPUTIME_ID) - mainBefore,
                       std::max(0.0, double(worstGapNs) / 1e6 - 1.0)};
}

QJsonObject runScenario(const Scenario& s, const QUrl& api, QNetworkAccessManager& network)
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
    const qsizetype requests = requestCount(network, api) / passes;

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
        {QStringLiteral("main_thread_cpu_ms"), mainCpuMs},
        {QStringLiteral("requests"), qint64(requests)},
        {QStringLiteral("cpu_ms_per_1000_positions"), cpuMs * 1000.0 / positions},
        {QStringLiteral("main_thread_cpu_ms_per_1000_positions"), mainCpuMs * 1000.0 / positions},
        {QStringLiteral("longest_stall_ms"), stallMs},
        {QStringLiteral("worst_stall_ms"), worstStallMs},
        {QStringLiteral("rolled_up_total"), store.rolledUpTotal()},
        {QStringLiteral("meets_cpu_target"), cpuMs * 1000.0 / positions <= 15.0},
        {QStringLiteral("meets_stall_target"), stallMs <= 16.0},
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
    for (const Scenario& s : scenarios) {
        for (int a = 0; a < s.accounts; ++a) {
            QStringList brokers;
            for (int b = 0; b < s.brokersPerAccount; ++b)
                brokers << QStringLiteral("bc_%1_%2_%3").arg(s.name).arg(a).arg(b);
            writeFixture(fixtures.path(), keyOf(s, a), brokers, s.positionsPerBroker, s.legs,
                         seed++);
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
    for (const Scenario& s : scenarios)
        results.append(runScenario(s, api, network));

    std::fflush(stdout);
    ::dup2(savedStdout, STDOUT_FILENO);
    ::close(devNull);
    ::close(savedStdout);

    fake.terminate();
    fake.waitForFinished(5'000);
    const QJsonObject report{
        {QStringLiteral("benchmark"), QStringLiteral("sync_pass")},
        {QStringLiteral("targets"),
         QJsonObject{{QStringLiteral("cpu_ms_per_1000_positions_max"), 15},
                     {QStringLiteral("longest_stall_ms_max"), 16}}},
        {QStringLiteral("runs"), results},
    };
    std::printf("%s\n", QJsonDocument(report).toJson(QJsonDocument::Indented).constData());
    return 0;
}
