#pragma once

#include "fakeservices.h"

#include <QObject>

namespace corvane::test {

// Requests the fake services have had for one path, in order.
QList<fake::HttpRequest> requestsTo(const fake::FakeServices& fake, const QString& path);

// A test class over the fake services, started once for the class; every test starts with no
// answers, faults or requests.
class FakeServicesTest : public QObject {
    Q_OBJECT

protected:
    fake::FakeServices m_fake;
    QList<fake::HttpRequest> requestsTo(const QString& path) const
    {
        return test::requestsTo(m_fake, path);
    }
    int requestCount(const QString& path) const
    {
        return static_cast<int>(requestsTo(path).size());
    }

protected Q_SLOTS:
    void initTestCase();
    void init();
};

} // namespace corvane::test
