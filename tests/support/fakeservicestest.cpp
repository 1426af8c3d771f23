#include "fakeservicestest.h"

#include <QTest>

namespace corvane::test {

QList<fake::HttpRequest> requestsTo(const fake::FakeServices& fake, const QString& path)
{
    QList<fake::HttpRequest> found;
    for (const fake::HttpRequest& request : fake.requests()) {
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
