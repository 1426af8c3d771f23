#include "fakeservicestest.h"

#include <QTest>

namespace corvane::test {

QList<fake::HttpRequest> FakeServicesTest::requestsTo(const QString& path) const
{
    QList<fake::HttpRequest> found;
    for (const fake::HttpRequest& request : m_fake.requests()) {
        if (request.path == path)
            found.append(request);
    }
    return found;
}

void FakeServicesTest::initTestCase()
{
    QVERIFY2(m_fake.start(), qPrintable(m_fake.errorString()));
    m_fake.trustInProcess();
}

void FakeServicesTest::init()
{
    m_fake.clearAnswers();
    m_fake.clearFaults();
    m_fake.clearRequests();
}

} // namespace corvane::test
