#pragma once

#include "base/clock.h"

#include <QDateTime>
#include <QTimeZone>
#include <memory>

namespace corvane::test {

// A clock whose instant the test sets. Copies of clock() follow later set() calls.
class TestClock final {
public:
    TestClock();
    explicit TestClock(const QDateTime& start);

    Clock clock() const;
    QDateTime now() const { return *m_now; }
    void set(const QDateTime& instant) { *m_now = instant; }

private:
    std::shared_ptr<QDateTime> m_now;
};

// An instant given as New York wall time, e.g. newYork(2024, 6, 21, 10, 0).
QDateTime newYork(int year, int month, int day, int hour = 12, int minute = 0, int second = 0);

} // namespace corvane::test
