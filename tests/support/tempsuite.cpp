#include "tempsuite.h"

namespace corvane::test {

TempSuite::TempSuite()
    : m_suite(std::make_unique<Suite>(filePath()))
{}

QString TempSuite::filePath() const
{
    return m_dir.filePath(QStringLiteral("CVNSuite.conf"));
}

Suite& TempSuite::reopen()
{
    m_suite.reset();
    m_suite = std::make_unique<Suite>(filePath());
    return *m_suite;
}

} // namespace corvane::test
