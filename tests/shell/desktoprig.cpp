#include "desktoprig.h"

#include <QDeadlineTimer>
#include <QStandardPaths>
#include <QTest>
#include <QThread>

namespace corvane::test {

namespace {

// Reads the first line a starting program prints, within the deadline.
QString firstLine(QProcess& process, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!process.canReadLine() && !deadline.hasExpired() && process.state() == QProcess::Running)
        process.waitForReadyRead(100);
    return QString::fromUtf8(process.readLine()).trimmed();
}

} // namespace

DesktopRig::DesktopRig(Tray tray)
{
    for (const char* tool : {"dbus-daemon", "Xvfb", "trayer", "xdotool"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
            m_problem = QStringLiteral("%1 is not installed (scripts/setup installs it)")
                            .arg(QString::fromLatin1(tool));
            return;
        }
    }
    QProcess* daemon = start(QStringLiteral("dbus-daemon"),
                             {QStringLiteral("--session"), QStringLiteral("--nofork"),
                              QStringLiteral("--print-address=1")},
                             QProcessEnvironment::systemEnvironment());
    m_busAddress = firstLine(*daemon, 5000);
    if (m_busAddress.isEmpty()) {
        m_problem = QStringLiteral("the private session bus did not start");
        return;
    }
    static int connections = 0;
    m_bus = QDBusConnection::connectToBus(m_busAddress,
                                          QStringLiteral("desktop-rig-%1").arg(++connections));
    if (!m_bus.isConnected()) {
        m_problem = QStringLiteral("cannot connect to the private session bus");
        return;
    }
    if (tray == Tray::none)
        return;

    QProcess* xvfb =
        start(QStringLiteral("Xvfb"),
              {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
               QStringLiteral("0"), QStringLiteral("800x600x24"), QStringLiteral("-nolisten"),
               QStringLiteral("tcp")},
              QProcessEnvironment::systemEnvironment());
    const QString number = firstLine(*xvfb, 10000);
    if (number.isEmpty()) {
        m_problem = QStringLiteral("Xvfb did not start");
        return;
    }
    m_display = QLatin1Char(':') + number;
    start(QStringLiteral("trayer"),
          {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
           QStringLiteral("right"), QStringLiteral("--height"), QStringLiteral("24"),
           QStringLiteral("--widthtype"), QStringLiteral("request"), QStringLiteral("--tint"),
           QStringLiteral("0x303030"), QStringLiteral("--transparent"), QStringLiteral("true"),
           QStringLiteral("--alpha"), QStringLiteral("0"), QStringLiteral("--expand"),
           QStringLiteral("true")},
          environment());
    // The tray owns its selection once the xprop query sees it; until then a client would
    // find no tray and fall back to nothing.
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        QProcess query;
        query.setProcessEnvironment(environment());
        query.start(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--class"),
                                                QStringLiteral("trayer")});
        query.waitForFinished(3000);
        if (!query.readAllStandardOutput().trimmed().isEmpty())
            return;
        QThread::msleep(100);
    }
    m_problem = QStringLiteral("trayer did not come up");
}

DesktopRig::~DesktopRig()
{
    if (m_bus.isConnected())
        QDBusConnection::disconnectFromBus(m_bus.name());
    for (auto it = m_processes.rbegin(); it != m_processes.rend(); ++it) {
        (*it)->terminate();
        if (!(*it)->waitForFinished(3000))
            (*it)->kill();
        (*it)->waitForFinished(1000);
    }
}

QProcess* DesktopRig::start(const QString& program, const QStringList& arguments,
                            const QProcessEnvironment& environment)
{
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment);
    process->setProcessChannelMode(QProcess::SeparateChannels);
    process->start(program, arguments);
    process->waitForStarted(5000);
    m_processes.push_back(std::move(process));
    return m_processes.back().get();
}

QProcessEnvironment DesktopRig::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_busAddress);
    if (m_display.isEmpty()) {
        env.remove(QStringLiteral("DISPLAY"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    } else {
        env.insert(QStringLiteral("DISPLAY"), m_display);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    }
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("XDG_CURRENT_DESKTOP"));
    return env;
}

int DesktopRig::run(const QString& program, const QStringList& arguments, int timeoutMs) const
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        return -1;
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

bool DesktopRig::screenshot(const QString& path) const
{
    if (m_display.isEmpty())
        return false;
    return run(QStringLiteral(CORVANE_SCREENGRAB), {path}) == 0;
}

bool DesktopRig::click(int x, int y, int button) const
{
    return run(QStringLiteral("xdotool"),
               {QStringLiteral("mousemove"), QString::number(x), QString::number(y),
                QStringLiteral("click"), QString::number(button)}) == 0;
}

} // namespace corvane::test
