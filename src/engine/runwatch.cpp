#include "runwatch.h"

#include "platform_api/network.h"

namespace corvane {

RunWatch::RunWatch(Services services, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services))
{}

RunWatch& RunWatch::shared()
{
    static RunWatch* instance = new RunWatch(Services{});
    return *instance;
}

void RunWatch::startTimer()
{
    if (m_isTimerActive)
        return;
    m_timer = new QTimer(this);
    m_timer->setInterval(m_intervalOverride.value_or(std::chrono::minutes(1)));
    connect(m_timer, &QTimer::timeout, this, &RunWatch::manualStart);
    m_timer->start();
    m_isTimerActive = true;
    Q_EMIT timerActiveChanged(true);
}

void RunWatch::stopTimer()
{
    if (!m_isTimerActive)
        return;
    m_timer->stop();
    m_timer->deleteLater();
    m_timer = nullptr;
    m_isTimerActive = false;
    Q_EMIT timerActiveChanged(false);
}

void RunWatch::manualStart()
{
    if (m_passRunning) {
        m_passPending = true;
        return;
    }
    m_passRunning = true;
    Q_EMIT passRunningChanged(true);
    QMetaObject::invokeMethod(this, &RunWatch::runPasses, Qt::QueuedConnection);
}

std::optional<std::chrono::milliseconds> RunWatch::timerInterval() const
{
    if (!m_timer)
        return std::nullopt;
    return m_timer->intervalAsDuration();
}

void RunWatch::setIntervalOverride(std::optional<std::chrono::milliseconds> interval)
{
    m_intervalOverride = interval;
}

// Placeholder until the pass lands: announces an empty pass.
void RunWatch::runPasses()
{
    do {
        m_passPending = false;
        Q_EMIT passStarted();
        Q_EMIT passFinished();
    } while (m_passPending);
    m_passRunning = false;
    Q_EMIT passRunningChanged(false);
}

} // namespace corvane
