#include "runwatch.h"

#include "apiresponseprocessor.h"
#include "base/log.h"
#include "market/stockexchangestatus.h"
#include "platform_api/apiservice.h"
#include "processeddatamanager.h"
#include "settings/settings.h"

#include <algorithm>
#include <qcoro/qcorotimer.h>

namespace corvane {

RunWatch::RunWatch(Services services, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services))
    , m_apiService(new APIService(m_services.connection, m_services.clock, this))
    , m_processor(std::make_unique<ApiResponseProcessor>(*m_services.store, *m_services.market,
                                                         m_services.connection, m_services.clock))
{}

RunWatch::~RunWatch()
{
    // The processor, a member, aborts its request as it goes: the pass that awaited it resumes
    // then and must already see this object as gone.
    m_lifetime.reset();
}

void RunWatch::startTimer()
{
    if (m_isTimerActive)
        return;
    m_timer = new QTimer(this);
    m_timer->setInterval(m_intervalOverride.value_or(frequencyInterval()));
    connect(m_timer, &QTimer::timeout, this, &RunWatch::manualStart);
    m_timer->start();
    m_isTimerActive = true;
    Q_EMIT timerActiveChanged(true);
}

std::chrono::seconds RunWatch::frequencyInterval() const
{
    const FrequencySelection frequency = m_services.settings->frequencySelection();
    const qint64 seconds = qint64(frequency.hourValue) * 3600 + qint64(frequency.minuteValue) * 60;
    // The stored choice is not checked against the lists the settings offer. A zero or negative
    // interval would poll the platform without pause, so it is held to the offered range.
    const qint64 bounded = std::clamp<qint64>(seconds, 60, 7 * 3600 + 50 * 60);
    if (bounded != seconds)
        logLine(QStringLiteral("Sync frequency of %1 seconds is out of range; using %2 seconds.")
                    .arg(seconds)
                    .arg(bounded));
    return std::chrono::seconds(bounded);
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
    runPasses();
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

// A pass outlives the object that started it when the object is destroyed during an await
// (its fetchers abort their requests as they go, which resumes it): every step after an await
// first checks that the object is still there.
QCoro::Task<> RunWatch::runPasses()
{
    const std::weak_ptr<int> alive = m_lifetime;
    do {
        m_passPending = false;
        co_await runOnePass();
        if (alive.expired())
            co_return;
    } while (m_passPending);
    m_passRunning = false;
    Q_EMIT passRunningChanged(false);
}

QCoro::Task<> RunWatch::runOnePass()
{
    const std::weak_ptr<int> alive = m_lifetime;
    Q_EMIT passStarted();
    m_services.store->setRolledUpTotal(0);
    // The pass works on the accounts as they are now; edits made meanwhile wait for the next.
    const AccountMap accounts = m_services.settings->accountSettings();
    for (const AccountSettings& account : accounts) {
        std::optional<ApiResponse> response;
        // An account that is not watched costs no request.
        if (account.watchAccount) {
            m_services.market->updateLastOpenDate();
            response = co_await m_apiService->fetchPositions(account.apiKey,
                                                             m_services.market->lastOpenDate());
            if (alive.expired())
                co_return;
        }
        if (!response) {
            logLine(QStringLiteral("Could not get response."));
        } else {
            // Decoding a large answer is one long step; give the event loop (and the popover
            // drawing from it) a turn before processing adds another.
            co_await QCoro::sleepFor(std::chrono::milliseconds(0));
            if (alive.expired())
                co_return;
            co_await m_processor->process(std::move(*response), account);
            if (alive.expired())
                co_return;
        }
        Q_EMIT runWatchDidUpdate();
    }
    Q_EMIT passFinished();
}

} // namespace corvane
