#include "log.h"

#include <cstdio>

namespace corvane {

namespace {
LogObserver& observer()
{
    static LogObserver instance;
    return instance;
}
} // namespace

void logLine(const QString& line)
{
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    if (observer())
        observer()(line);
}

QString redacted(const QString& secret)
{
    if (secret.isEmpty())
        return QStringLiteral("(empty)");
    return QStringLiteral("<redacted, %1 characters>").arg(secret.size());
}

void setLogObserver(LogObserver newObserver)
{
    observer() = std::move(newObserver);
}

} // namespace corvane
