#pragma once

#include <QStringList>

namespace corvane::test {

// Records every log line written while it lives.
class LogCapture final {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const QStringList& lines() const { return m_lines; }
    int count(const QString& line) const { return static_cast<int>(m_lines.count(line)); }
    bool contains(const QString& line) const { return m_lines.contains(line); }
    void clear() { m_lines.clear(); }

private:
    QStringList m_lines;
};

} // namespace corvane::test
