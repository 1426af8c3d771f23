// A desktop notification service as a desktop installs one: the bus starts it on demand when a
// service file names it, and it answers every call. The suite's session buses must never start
// it; see the isolated-bus entries in CMakeLists.txt.
#include "notificationrecorder.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QTimer>
#include <chrono>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    corvane::test::NotificationRecorder service;
    if (!service.start())
        return 1;
    // The bus that started it goes away with the test; leave with it rather than linger.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &app, [&app] {
        if (!QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("recorder"))
                 .isConnected())
            app.quit();
    });
    watch.start(500);
    QTimer::singleShot(std::chrono::minutes(2), &app, &QCoreApplication::quit);
    return app.exec();
}
