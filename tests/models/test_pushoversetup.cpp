#include "models/pushoversetuppresenter.h"
#include "pushover.h"
#include "settings/posettings.h"
#include "support/fakeservicestest.h"
#include "support/tempsuite.h"
#include "support/testregistry.h"

#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTest>

using namespace corvane;
using namespace corvane::test;
using namespace Qt::StringLiterals;

namespace {
const QString email = u"trader@example.com"_s;
const QString password = u"hunter2"_s;
} // namespace

// The set-up state the notification settings show, against the fake Pushover over TLS.
class PushoverSetupPresenterTest final : public FakeServicesTest {
    Q_OBJECT

    QNetworkAccessManager m_network;

    int logins() const { return requestCount(u"/1/users/login.json"_s); }

private Q_SLOTS:
    void initTestCase()
    {
        FakeServicesTest::initTestCase();
        m_fake.pushover().addAccount(email, password, u"424242"_s);
    }

    // The presenter shows its own client's set-up and runs one at a time: the second call
    // here, which carries the code, would register. It may go while a set-up runs.
    void oneSetUpAtATime()
    {
        TempSuite suite;
        POSettings settings(suite.suite());
        PushoverSetupPresenter presenter(m_network, settings, m_fake.pushoverUrl());
        QSignalSpy finished(&presenter, &PushoverSetupPresenter::setUpFinished);
        QSignalSpy registered(&presenter, &PushoverSetupPresenter::registeredChanged);
        presenter.setUp(email, password, u"desk"_s);
        QVERIFY(presenter.loading());
        presenter.setUp(email, password, u"desk"_s, u"424242"_s);
        QVERIFY(finished.wait());
        QCOMPARE(logins(), 1);
        QVERIFY(presenter.twoFactorRequested() && !presenter.loading() && !presenter.registered());

        presenter.setUp(email, password, u"desk"_s, u"424242"_s);
        QVERIFY(finished.wait());
        QVERIFY(presenter.registered() && presenter.errorText().isEmpty());
        QCOMPARE(presenter.deviceName(), u"desk"_s);
        QCOMPARE(registered.count(), 1);
        presenter.forgetDevice();
        QVERIFY(!presenter.registered());

        // A view closed during its set-up leaves the set-up to end without it.
        auto closing =
            std::make_unique<PushoverSetupPresenter>(m_network, settings, m_fake.pushoverUrl());
        QSignalSpy closed(closing.get(), &PushoverSetupPresenter::setUpFinished);
        closing->setUp(email, password, u"desk"_s, u"424242"_s);
        closing.reset();
        QVERIFY(QTest::qWaitFor([this] { return logins() == 3; }));
        QTest::qWait(200);
        QCOMPARE(closed.count(), 0);
    }
};

CORVANE_TEST(PushoverSetupPresenterTest)
#include "test_pushoversetup.moc"
