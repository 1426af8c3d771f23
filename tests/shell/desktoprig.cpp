#include "desktoprig.h"

#include <QDeadlineTimer>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;

namespace corvane::test {

DesktopRig::DesktopRig(Tray tray, const QString& tint)
{
    for (const char* tool : {"dbus-daemon", "Xvfb", "trayer", "xdotool"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
            m_problem =
                u"%1 is not installed (scripts/setup installs it)"_s.arg(QString::fromLatin1(tool));
            return;
        }
    }
    static int connections = 0;
    if (m_privateBus.isUp())
        m_bus = m_privateBus.connect(u"desktop-rig-%1"_s.arg(++connections));
    if (!m_bus.isConnected()) {
        m_problem = u"the private session bus did not start"_s;
        return;
    }
    if (tray == Tray::none)
        return;

    QProcess* xvfb =
        start(u"Xvfb"_s, u"-displayfd 1 -screen 0 800x600x24 -nolisten tcp"_s.split(u' '),
              QProcessEnvironment::systemEnvironment());
    // Xvfb prints its display number once it listens.
    QDeadlineTimer deadline(10000);
    while (!xvfb->canReadLine() && !deadline.hasExpired() && xvfb->state() == QProcess::Running)
        xvfb->waitForReadyRead(100);
    const QString number = QString::fromUtf8(xvfb->readLine()).trimmed();
    if (number.isEmpty()) {
        m_problem = u"Xvfb did not start"_s;
        return;
    }
    m_display = QLatin1Char(':') + number;
    start(u"trayer"_s,
          QString(u"--edge top --align right --height 24 --widthtype request --tint "_s + tint +
                  u" --transparent true --alpha 0 --expand true"_s)
              .split(u' '),
          environment());
    // The tray owns its selection once xdotool finds its window; until then a client would
    // find no tray and fall back to nothing.
    const bool trayUp = QTest::qWaitFor(
        [this] {
            QProcess query;
            query.setProcessEnvironment(environment());
            query.start(u"xdotool"_s, {u"search"_s, u"--class"_s, u"trayer"_s});
            query.waitForFinished(3000);
            return !query.readAllStandardOutput().trimmed().isEmpty();
        },
        10000);
    if (!trayUp)
        m_problem = u"trayer did not come up"_s;
}

DesktopRig::~DesktopRig()
{
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
    env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, m_privateBus.address());
    if (m_display.isEmpty()) {
        env.remove(u"DISPLAY"_s);
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    } else {
        env.insert(u"DISPLAY"_s, m_display);
        env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    }
    env.remove(u"WAYLAND_DISPLAY"_s);
    env.remove(u"XDG_CURRENT_DESKTOP"_s);
    return env;
}

int DesktopRig::run(const QString& program, const QStringList& arguments,
                    const QProcessEnvironment& environment) const
{
    QProcess process;
    process.setProcessEnvironment(environment.isEmpty() ? this->environment() : environment);
    process.start(program, arguments);
    if (!process.waitForFinished(10000)) {
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
    return run(u"xdotool"_s, {u"mousemove"_s, QString::number(x), QString::number(y), u"click"_s,
                              QString::number(button)}) == 0;
}

} // namespace corvane::test
