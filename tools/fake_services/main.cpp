// corvane-fake-services: the Orrisfield and Pushover stand-ins as a program, for the demo,
// end-to-end runs and benchmarks. Prints one JSON line with its URLs and certificate, then
// serves until SIGINT or SIGTERM. Point Corvane at it with CORVANE_PLATFORM_API_URL,
// CORVANE_PUSHOVER_API_URL, CORVANE_PUSHOVER_SOCKET_URL and CORVANE_EXTRA_CA_FILE (the "ca").

#include "fakeservices.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[0], &byte, 1);
}

// Quits the event loop on SIGINT/SIGTERM so that the certificate's folder is removed.
void quitOnSignals(QCoreApplication& app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("corvane-fake-services"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Local stand-ins for the Orrisfield API and Pushover (HTTPS, WSS)."));
    parser.addHelpOption();
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("HTTPS port (default: any free port)."),
                                  QStringLiteral("port"), QStringLiteral("0"));
    const QCommandLineOption socketPort(QStringLiteral("socket-port"),
                                        QStringLiteral("WSS port (default: any free port)."),
                                        QStringLiteral("port"), QStringLiteral("0"));
    const QCommandLineOption fixtures(
        QStringLiteral("fixtures"),
        QStringLiteral("Folder of Orrisfield fixtures, one folder per API key."),
        QStringLiteral("dir"));
    parser.addOptions({port, socketPort, fixtures});
    parser.process(app);

    corvane::fake::FakeServices::Options options;
    bool portOk = false;
    bool socketPortOk = false;
    options.port = parser.value(port).toUShort(&portOk);
    options.socketPort = parser.value(socketPort).toUShort(&socketPortOk);
    options.fixtures = parser.value(fixtures);
    if (!portOk || !socketPortOk) {
        std::fprintf(stderr, "Ports must be numbers from 0 to 65535.\n");
        return 2;
    }

    quitOnSignals(app);
    corvane::fake::FakeServices fake;
    if (!fake.start(options)) {
        std::fprintf(stderr, "%s\n", qPrintable(fake.errorString()));
        return 1;
    }
    const QJsonObject info{
        {QStringLiteral("api"), fake.apiUrl().toString()},
        {QStringLiteral("pushover"), fake.pushoverUrl().toString()},
        {QStringLiteral("socket"), fake.socketUrl().toString()},
        {QStringLiteral("feed"), fake.feedUrl().toString()},
        {QStringLiteral("ca"), fake.caFile()},
        {QStringLiteral("keys"), QJsonArray::fromStringList(fake.knownKeys())},
    };
    std::printf("%s\n", QJsonDocument(info).toJson(QJsonDocument::Compact).constData());
    std::fflush(stdout);
    return app.exec();
}
