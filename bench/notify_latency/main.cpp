// Time from a "!" frame's arrival at the live socket to the Notify call that reaches the
// desktop's notification service, with the fixed 0.5 s posting delay included. Runs the fake
// Pushover service and a recording notification service in process, on a private session bus
// of its own, and prints one JSON object.
//
//   build/bench/notify_latency/bench_notify_latency [frames]   (default 200)

#include "fakeservices.h"
#include "notificationrecorder.h"
#include "pushover.h"
#include "pushover/poapimanager.h"
#include "pushover/pushoverwebsocketmanager.h"
#include "pushsocket.h"
#include "settings/posettings.h"
#include "settings/suite.h"

#include <QCoreApplication>
#include <QCoro/QCoroTask>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <unistd.h>

using namespace corvane;

namespace {

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Runs the event loop until done() holds or the time runs out.
template <class Done> bool waitUntil(Done done, int timeoutMs)
{
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.start(timeoutMs);
    while (!done() && deadline.isActive())
        loop.processEvents(QEventLoop::WaitForMoreEvents, 50);
    return done();
}

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const double rank = p * static_cast<double>(values.size() - 1);
    const auto low = static_cast<size_t>(rank);
    const size_t high = std::min(low + 1, values.size() - 1);
    return values[low] + (values[high] - values[low]) * (rank - static_cast<double>(low));
}

int fail(const char* what)
{
    std::fprintf(stderr, "notify_latency: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    // A private bus that starts no installed service, so no desktop notification daemon answers
    // in place of the recorder.
    if (qEnvironmentVariableIsEmpty("CORVANE_BENCH_PRIVATE_BUS")) {
        qputenv("CORVANE_BENCH_PRIVATE_BUS", "1");
        std::vector<char*> args{const_cast<char*>("dbus-run-session"),
                                const_cast<char*>("--config-file=" CORVANE_SESSION_BUS_CONFIG),
                                const_cast<char*>("--")};
        for (int i = 0; i < argc; ++i)
            args.push_back(argv[i]);
        args.push_back(nullptr);
        execvp("dbus-run-session", args.data());
        return fail("cannot run dbus-run-session");
    }

    // The client's log lines go to standard error, so standard output holds the JSON alone.
    std::FILE* json = fdopen(dup(STDOUT_FILENO), "w");
    dup2(STDERR_FILENO, STDOUT_FILENO);

    QCoreApplication app(argc, argv);
    const int frames = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 200;

    fake::FakeServices fake;
    if (!fake.start())
        return fail(qPrintable(fake.errorString()));
    fake.trustInProcess();
    const PushoverEndpoints endpoints{fake.pushoverUrl(), fake.socketUrl()};
    test::NotificationRecorder recorder;
    if (!recorder.start())
        return fail("cannot own org.freedesktop.Notifications on the session bus");

    QTemporaryDir folder;
    Suite suite(folder.filePath(QStringLiteral("CVNSuite.conf")));
    POSettings settings(suite);
    QNetworkAccessManager network;
    const QString email = QStringLiteral("bench@example.com");
    const QString password = QStringLiteral("bench-password");
    fake.pushover().addAccount(email, password);
    {
        POApiManager api(network, settings, endpoints.api);
        QCoro::waitFor(api.setupPushover(email, password, QStringLiteral("bench")));
    }
    if (!settings.poIsRegistered())
        return fail("the device did not register");

    PushoverWebSocketManager manager(network, settings, endpoints, nullptr);
    int loggedIn = 0;
    QObject::connect(&fake.socket(), &fake::PushSocket::loggedIn, [&] { ++loggedIn; });
    manager.openSocket();
    if (!waitUntil([&] { return loggedIn == 1; }, 10'000))
        return fail("the socket did not log in");

    qint64 arrivedNs = 0;
    int handled = 0;
    QObject::connect(&manager, &PushoverWebSocketManager::frameArrived, [&](const QByteArray& f) {
        if (f.startsWith('!'))
            arrivedNs = nowNs();
    });
    QObject::connect(&manager, &PushoverWebSocketManager::messagesHandled, [&] { ++handled; });

    std::vector<double> latenciesMs;
    for (int i = 0; i < frames; ++i) {
        const qsizetype before = recorder.calls().size();
        fake::PushoverMessage message;
        message.title = QStringLiteral("Fill %1").arg(i);
        message.message = QStringLiteral("SPX 0DTE put spread filled at 1.35");
        fake.pushover().queueMessage(message); // the fake sends "!" at once
        if (!waitUntil([&] { return recorder.calls().size() > before && handled == i + 1; },
                       10'000))
            return fail("a notification did not arrive");
        latenciesMs.push_back(static_cast<double>(recorder.calls().last().receivedNs - arrivedNs) /
                              1e6);
    }
    manager.closeSocket();

    const double delayMs = 500.0;
    const double median = percentile(latenciesMs, 0.5);
    QJsonObject out{
        {QStringLiteral("benchmark"), QStringLiteral("notify_latency")},
        {QStringLiteral("frames"), frames},
        {QStringLiteral("posting_delay_ms"), delayMs},
        {QStringLiteral("median_ms"), median},
        {QStringLiteral("p95_ms"), percentile(latenciesMs, 0.95)},
        {QStringLiteral("max_ms"), *std::max_element(latenciesMs.begin(), latenciesMs.end())},
        {QStringLiteral("median_above_delay_ms"), median - delayMs},
        {QStringLiteral("target_median_above_delay_ms"), 40},
    };
    std::fprintf(json, "%s\n", QJsonDocument(out).toJson(QJsonDocument::Compact).constData());
    std::fclose(json);
    return 0;
}
