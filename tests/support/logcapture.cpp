#include "logcapture.h"

#include "base/log.h"

namespace corvane::test {

LogCapture::LogCapture()
{
    setLogObserver([this](const QString& line) { m_lines.append(line); });
}

LogCapture::~LogCapture()
{
    setLogObserver({});
}

} // namespace corvane::test
