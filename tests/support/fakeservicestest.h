#pragma once

#include "fakeservices.h"

#include <QObject>

namespace corvane::test {

// A test class over the fake services, started once for the class; every test starts with no
// answers, faults or requests.
class FakeServicesTest : public QObject {
    Q_OBJECT

protected:
    fake::FakeServices m_fake;
    // Requests the fake services have had for one path, in order.
    QList<fake::HttpRequest> requestsTo(const QString& path) const;
    int requestCount(const QString& path) const
    {
        return static_cast<int>(requestsTo(path).size());
    }

protected Q_SLOTS:
    void initTestCase();
    void init();
};

} // namespace corvane::test
