#include "testclock.h"

namespace corvane::test {

TestClock::TestClock()
    : TestClock(QDateTime::currentDateTimeUtc())
{}

TestClock::TestClock(const QDateTime& start)
    : m_now(std::make_shared<QDateTime>(start))
{}

Clock TestClock::clock() const
{
    return [now = m_now] { return *now; };
}

QDateTime newYork(int year, int month, int day, int hour, int minute, int second)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second),
                     QTimeZone(QByteArrayLiteral("America/New_York")));
}

} // namespace corvane::test
