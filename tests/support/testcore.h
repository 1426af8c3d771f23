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

} // namespace corvane::test
