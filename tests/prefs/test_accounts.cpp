#include "app/globaldata.h"
#include "prefsrig.h"
#include "support/testregistry.h"
#include "views/accountdetailsform.h"
#include "views/accountsview.h"
#include "views/firstrunwindow.h"

#include <QCheckBox>
#include <QCoro/QCoroTask>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace corvane::test {

namespace {

const QString botsPath = u"/v1/bots"_s;
const QString brokersPath = u"/v1/broker_connections"_s;

struct AnsweredBroker {
    QByteArray number;
    QByteArray name;
    QByteArray status = "Active";
};

QByteArray brokerAnswer(const QList<AnsweredBroker>& brokers)
{
    QList<QByteArray> items;
    for (const auto& [number, name, status] : brokers)
        items << R"({"broker":"Interactive Brokers","name":")" + name + R"(","number":")" + number +
                     R"(","status":")" + status + R"(","account_number":"U1"})";
    return R"({"success":true,"message":"","data":[)" + items.join(',') + "]}";
}

// A verification started from the form, run to its end.
bool verifyThroughForm(AccountsView& view)
{
    auto* busy = child<QProgressBar>(&view, u"verifyBusy"_s);
    QTest::mouseClick(child<QPushButton>(&view, u"verifyButton"_s), Qt::LeftButton);
    return QTest::qWaitFor([&] { return !busy->isVisible(); }, 20'000);
}

} // namespace

class AccountsViewTest final : public FakeServicesTest {
    Q_OBJECT

private Q_SLOTS:
    void addThenVerify_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("faultPath");
        QTest::addColumn<bool>("noBrokers");
        QTest::addColumn<bool>("verified");
        QTest::addColumn<QString>("errorLine");
        QTest::addColumn<int>("brokerCount");
        QTest::newRow("accepted") << goodKey << QString() << false << true << QString() << 2;
        QTest::newRow("rejected, platform's message")
            << u"no-such-key"_s << QString() << false << false << u"Invalid API key."_s << 0;
        QTest::newRow("broker fetch fails") << goodKey << brokersPath << false << false
                                            << u"No broker data or no active broker"_s << 0;
        QTest::newRow("empty broker list")
            << goodKey << QString() << true << true << QString() << 0;
        QTest::newRow("bots fetch fails, account left alone")
            << goodKey << botsPath << false << false << QString() << 0;
    }

    void addThenVerify()
    {
        QFETCH(QString, key);
        QFETCH(QString, faultPath);
        QFETCH(bool, noBrokers);
        QFETCH(bool, verified);
        QFETCH(QString, errorLine);
        QFETCH(int, brokerCount);
        if (!faultPath.isEmpty())
            m_fake.injectFault({faultPath, fake::Fault::Kind::garbage, 0, 0, true});
        if (noBrokers)
            m_fake.setAnswer(brokersPath, {}, 200, brokerAnswer({}));

        PrefsRig rig(m_fake);
        AccountsView view(rig.settings, rig.verifier, false);
        view.show();
        auto* add = child<QToolButton>(&view, u"addAccountButton"_s);
        QVERIFY(add->isEnabled());
        QTest::mouseClick(add, Qt::LeftButton);
        const QUuid id = rig.settings.accountSettings().firstKey();
        QCOMPARE(view.accountKey(), id);
        // An unverified account blocks a second one.
        QVERIFY(!add->isEnabled());

        fill(&view, u"apiKeyField"_s, key);
        QVERIFY(verifyThroughForm(view));

        const AccountSettings account = rig.settings.accountSettings().value(id);
        QCOMPARE(account.keyVerified, verified);
        QCOMPARE(account.brokerSettings.size(), brokerCount);
        QCOMPARE(view.detailsForm()->verificationError(), errorLine);
        auto* errorLabel = child<QLabel>(&view, u"verificationError"_s);
        QCOMPARE(errorLabel->isVisible(), !errorLine.isEmpty());
        QCOMPARE(child<QPushButton>(&view, u"verifyButton"_s)->text(),
                 verified ? u"Verified"_s : u"Verify"_s);
        QCOMPARE(rig.core->globalData().criticalError().has_value(), faultPath == botsPath);
        // The table follows half a second later.
        auto* table = child<QTableWidget>(&view, u"accountsTable"_s);
        QTRY_COMPARE(table->item(0, 2)->text(), verified ? u"true"_s : u"false"_s);
        QCOMPARE(add->isEnabled(), verified);
        // The first-run sheets belong to the first-run window only.
        QVERIFY(!view.findChild<QDialog*>());

        // Typing into the key clears the error line at once.
        if (!errorLine.isEmpty()) {
            QTest::keyClick(child<QLineEdit>(&view, u"apiKeyField"_s), Qt::Key_X);
            QVERIFY(errorLabel->isHidden());
        }
        QVERIFY(rig.settle());
    }

    // A second verification keeps the user's watch choices and names, and watches a broker
    // that has become active since; a later one wins over one still out.
    void reverifyKeepsChoicesAndTheLaterOneWins()
    {
        PrefsRig rig(m_fake);
        const QUuid id = rig.addAccount(goodKey, false);
        AccountsView view(rig.settings, rig.verifier, false);
        view.show();
        m_fake.setAnswer(brokersPath, {}, 200,
                         brokerAnswer({{"bc_kept", "Kept"},
                                       {"bc_off", "Off"},
                                       {"bc_gone", "Gone"},
                                       {"bc_idle", "Idle", "Inactive"}}));
        QVERIFY(verifyThroughForm(view));
        AccountSettings account = rig.settings.accountSettings().value(id);
        QCOMPARE(account.brokerSettings.size(), 4);
        QVERIFY(!account.brokerSettings[3].watch);
        account.brokerSettings[1].watch = false;
        account.brokerSettings[0].nickname = u"Mine"_s;
        rig.settings.setAccount(account);

        // The platform drops one broker, adds one, forgets a name and activates the idle one.
        m_fake.setAnswer(
            brokersPath, {}, 200,
            brokerAnswer(
                {{"bc_kept", ""}, {"bc_off", "Off"}, {"bc_new", "New"}, {"bc_idle", "Idle"}}));
        QVERIFY(verifyThroughForm(view));
        QStringList brokers;
        for (const BrokerSettings& b : rig.settings.accountSettings().value(id).brokerSettings)
            brokers << b.brokerNumber + (b.watch ? u" watched "_s : u" "_s) + b.nickname;
        QCOMPARE(brokers, (QStringList{u"bc_kept watched Mine"_s, u"bc_off Off"_s,
                                       u"bc_new watched New"_s, u"bc_idle watched Idle"_s}));

        // A slow answer is overtaken: meanwhile the user types a wrong key and verifies again.
        m_fake.injectFault({botsPath, fake::Fault::Kind::none, 0, 1500, false});
        QTest::mouseClick(child<QPushButton>(&view, u"verifyButton"_s), Qt::LeftButton);
        QVERIFY(child<QProgressBar>(&view, u"verifyBusy"_s)->isVisible());
        fill(&view, u"apiKeyField"_s, u"no-such-key"_s);
        QVERIFY(verifyThroughForm(view));
        QCOMPARE(view.detailsForm()->verificationError(), u"Invalid API key."_s);
        QVERIFY(!rig.settings.accountSettings().value(id).keyVerified);

        QVERIFY(rig.settle());
    }

    // The answer is about the key that was sent: a key typed while it is out stays unverified.
    void keyTypedDuringACheckIsNotVerified()
    {
        PrefsRig rig(m_fake);
        const QUuid id = rig.addAccount(goodKey, false);
        AccountsView view(rig.settings, rig.verifier, false);
        view.show();
        QTest::mouseClick(child<QPushButton>(&view, u"verifyButton"_s), Qt::LeftButton);
        fill(&view, u"apiKeyField"_s, u"typed-while-checking"_s);
        QVERIFY(QTest::qWaitFor([&] { return !rig.verifier.isVerifying(id); }, 20'000));
        const AccountSettings typed = rig.settings.accountSettings().value(id);
        QCOMPARE(typed.apiKey, u"typed-while-checking"_s);
        QVERIFY(!typed.keyVerified);
        QVERIFY(typed.brokerSettings.isEmpty());
        QCOMPARE(child<QPushButton>(&view, u"verifyButton"_s)->text(), u"Verify"_s);
        QVERIFY(rig.settle());
    }

    void watchToggleNeedsAnotherAccount()
    {
        PrefsRig rig(m_fake);
        const QUuid first = rig.addAccount(goodKey, true, {u"bc_1:ew"_s});
        AccountsView view(rig.settings, rig.verifier, false);
        auto* watch = child<QCheckBox>(&view, u"watchAccountToggle"_s);
        QCOMPARE(view.accountKey(), first);
        QVERIFY(!watch->isEnabled());
        // A second account that is watched, or one that is verified, frees the first.
        const QUuid second = rig.addAccount(secondKey, false);
        QVERIFY(watch->isEnabled());
        rig.settings.setAccountValue(second, CVNSettings::AccountField::watchAccount, false);
        QVERIFY(!watch->isEnabled());
        const QUuid third = rig.addAccount(u"test-key-quiet"_s, true);
        rig.settings.setAccountValue(third, CVNSettings::AccountField::watchAccount, false);
        QVERIFY(watch->isEnabled());
    }

    void removeMovesSelectionAndDropsResults()
    {
        PrefsRig rig(m_fake);
        const QUuid a = rig.addAccount(goodKey, true, {u"bc_a:ew"_s});
        rig.addAccount(secondKey, true, {u"bc_b:ew"_s});
        rig.store.primeProcessedData();
        QTRY_COMPARE(rig.store.processedDataArray().size(), 2);
        AccountsView view(rig.settings, rig.verifier, false);
        QSignalSpy refreshes(&view, &AccountsView::statusItemRefreshRequested);
        view.show();
        auto* table = child<QTableWidget>(&view, u"accountsTable"_s);
        const QUuid last = view.accountRows().last().id;
        const QUuid first = view.accountRows().first().id;
        table->selectRow(1);
        QCOMPARE(view.accountKey(), last);

        // Return takes the alert's default button, "Remove".
        QTest::mouseClick(child<QPushButton>(&view, u"removeAccountButton"_s), Qt::LeftButton);
        QMessageBox* box = shownDialog<QMessageBox>(&view);
        QVERIFY(box);
        QVERIFY(box->text().endsWith(rig.settings.accountSettings().value(last).nickName));
        QTest::keyClick(box, Qt::Key_Return);

        QVERIFY(!rig.settings.accountSettings().contains(last));
        QCOMPARE(view.accountKey(), first);
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(table->selectedRanges().first().topRow(), 0);
        QVERIFY(!refreshes.isEmpty());
        const QString dropped = last == a ? u"bc_a"_s : u"bc_b"_s;
        QTRY_VERIFY(!rig.store.find(dropped));
        QCOMPARE(rig.store.processedDataArray().size(), 1);

        view.removeSelectedAccount();
        QTest::keyClick(shownDialog<QMessageBox>(&view), Qt::Key_Return);
        QCOMPARE(table->rowCount(), 0);
        QVERIFY(rig.settings.accountSettings().isEmpty());
        QVERIFY(!child<QPushButton>(&view, u"removeAccountButton"_s)->isEnabled());
        QVERIFY(!child<QWidget>(&view, u"accountDetailsForm"_s)->isEnabled());
    }

    // The user removes the account while its broker list is on the way: the late answer must
    // neither bring the account back nor count as a verification.
    void removedWhileItsCheckRuns()
    {
        PrefsRig rig(m_fake);
        const QUuid id = rig.addAccount(goodKey, false);
        m_fake.injectFault({brokersPath, fake::Fault::Kind::none, 0, 800, false});
        QSignalSpy verifying(&rig.verifier, &AccountVerifier::verifyingChanged);
        auto check = rig.verifier.verify(id);
        QTRY_COMPARE(requestCount(brokersPath), 1);
        rig.verifier.removeAccount(id);

        const AccountVerifier::Result result = QCoro::waitFor(std::move(check));
        QCOMPARE(result.outcome, AccountVerifier::Outcome::superseded);
        QVERIFY(rig.settings.accountSettings().isEmpty());
        QVERIFY(rig.store.processedDataArray().isEmpty());
        QCOMPARE(verifying.count(), 2);
        QCOMPARE(verifying.last().at(1).toBool(), false);
        QVERIFY(rig.settle());
    }

    void firstRunSheets()
    {
        PrefsRig rig(m_fake);
        rig.settings.addAccount();
        FirstRunWindow window(rig.settings, rig.verifier);
        window.present();
        QCOMPARE(window.size(), QSize(480, 300));
        QDialog* welcome = shownDialog<QDialog>(&window, u"welcomeSheet"_s);
        QVERIFY(welcome);
        QVERIFY(child<QLabel>(welcome, u"sheetMessage"_s)
                    ->text()
                    .startsWith(u"Welcome to Corvane! \n\nBefore Corvane"_s));
        QTest::keyClick(welcome, Qt::Key_Return);
        QTRY_VERIFY(!window.findChild<QDialog*>(u"welcomeSheet"_s));

        fill(window.accountsView(), u"apiKeyField"_s, goodKey);
        QVERIFY(verifyThroughForm(*window.accountsView()));
        QVERIFY(shownDialog<QDialog>(&window, u"verifiedSheet"_s));

        // The frame is kept under the window's name for the next run.
        window.move(window.pos() + QPoint(7, 5));
        window.close();
        QSettings frames(QSettings::IniFormat, QSettings::UserScope, u"corvane"_s, u"windows"_s);
        QVERIFY(!frames.value(FirstRunWindow::frameName).toByteArray().isEmpty());
        QVERIFY(rig.settle());
    }
};

CORVANE_TEST(AccountsViewTest)

#include "test_accounts.moc"

} // namespace corvane::test
