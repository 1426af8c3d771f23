#pragma once

#include "settings/suite.h"

#include <QTemporaryDir>
#include <memory>

namespace corvane::test {

// A defaults suite in a fresh temporary folder, removed with the object.
class TempSuite final {
public:
    TempSuite();

    Suite& suite() { return *m_suite; }
    QString filePath() const;
    // Drops the in-memory suite and opens the same file again, as a new launch would.
    Suite& reopen();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<Suite> m_suite;
};

} // namespace corvane::test
