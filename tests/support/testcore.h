#pragma once

#include "app/core.h"

#include <QTemporaryDir>

namespace corvane::test {

// The composition root on a suite in a fresh temporary folder and the test's clock. No
// endpoint is set, so nothing leaves the machine unless the test points one at the fake
// services.
class TestCore final {
public:
    explicit TestCore(Clock clock, const std::function<void(CoreConfig&)>& adjust = {});
    TestCore(const TestCore&) = delete;
    TestCore& operator=(const TestCore&) = delete;

    Core& operator*() { return *m_core; }
    Core* operator->() { return m_core.get(); }

private:
    QTemporaryDir m_folder;
    std::unique_ptr<Core> m_core;
};

// Asks the root for a pass and waits until no pass runs any more, with the registrations of new
// results (queued behind the pass) applied. False when a pass still runs after 30 seconds.
bool runPass(Core& core);
// Only waits, for a pass something else started.
bool waitForPasses(Core& core);

// Stores a verified account with this API key (watched unless told) and returns its id.
QUuid addVerifiedAccount(CVNSettings& settings, const QString& apiKey, bool watched = true);

// The process's resident memory in kB, from /proc; -1 when it cannot be read.
qint64 residentKb();

} // namespace corvane::test
