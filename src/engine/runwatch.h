#pragma once

#include "base/clock.h"
#include "platform_api/network.h"

#include <QObject>
#include <QTimer>
#include <chrono>
#include <memory>
#include <optional>
#include <qcoro/qcorotask.h>

namespace corvane {

class APIService;
class ApiResponseProcessor;
class CVNSettings;
class ProcessedDataManager;
class StockExchangeStatus;

// The sync loop: a repeating timer and the passes it runs. Each pass clears the rolled-up
// total and hands the positions of every account, one after the other, to position
// processing. Whether the loop should run is decided elsewhere (the watch-state evaluator
// starts and stops the timer and asks for passes).
//
// Passes never overlap: a pass asked for while one runs is remembered and runs once right
// after it, however many requests came in meanwhile, so the rolled-up total at the end of a
// pass is that pass's own sum.
class RunWatch final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RunWatch)
    Q_PROPERTY(bool isTimerActive READ isTimerActive NOTIFY timerActiveChanged)
    Q_PROPERTY(bool isPassRunning READ isPassRunning NOTIFY passRunningChanged)

public:
    // Everything a pass reads and writes. The fetch errors go out through apiService()'s
    // signals.
    struct Services {
        const CVNSettings* settings = nullptr;
        ProcessedDataManager* store = nullptr;
        StockExchangeStatus* market = nullptr;
        PlatformConnection connection;
        Clock clock;
    };

    explicit RunWatch(Services services, QObject* parent = nullptr);
    // A pass still running stops at its next step, touching nothing of this object.
    ~RunWatch() override;

    // Starts the repeating timer with the interval of the stored frequency (hours × 3600 +
    // minutes × 60 seconds); a no-op while it runs. The first pass comes one interval later.
    void startTimer();
    // Stops the timer; a no-op while it is stopped.
    void stopTimer();
    // Asks for one pass now and returns at once (the pass runs on the event loop).
    void manualStart();

    bool isTimerActive() const { return m_isTimerActive; }
    bool isPassRunning() const { return m_passRunning; }
    // The period of the running timer (for tests and diagnostics); empty while stopped.
    std::optional<std::chrono::milliseconds> timerInterval() const;

    // Tests replace the frequency's interval with a short one; empty restores the frequency.
    void setIntervalOverride(std::optional<std::chrono::milliseconds> interval);

    APIService& apiService() { return *m_apiService; }

Q_SIGNALS:
    void timerActiveChanged(bool active);
    void passRunningChanged(bool running);
    void passStarted();
    // After each account of a pass, whether or not its fetch succeeded.
    void runWatchDidUpdate();
    void passFinished();

private:
    std::chrono::seconds frequencyInterval() const;
    QCoro::Task<> runPasses();
    QCoro::Task<> runOnePass();

    Services m_services;
    APIService* m_apiService = nullptr; // a child of this object
    std::unique_ptr<ApiResponseProcessor> m_processor;
    QTimer* m_timer = nullptr;
    bool m_isTimerActive = false;
    bool m_passRunning = false;
    bool m_passPending = false;
    std::optional<std::chrono::milliseconds> m_intervalOverride;
    // Expires as this object's destruction begins, before its members go.
    std::shared_ptr<int> m_lifetime = std::make_shared<int>(0);
};

} // namespace corvane
