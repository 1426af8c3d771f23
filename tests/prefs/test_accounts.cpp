#include "prefsrig.h"
#include "support/testregistry.h"
#include "views/accountdetailsform.h"
#include "views/accountsview.h"
#include "views/brokerlistsheet.h"
#include "views/firstrunsheet.h"
#include "views/firstrunwindow.h"

#include <QCheckBox>
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

namespace corvane::test {

namespace {

const QString botsPath = QStringLiteral("/v1/bots");
const QString brokersPath = QStringLiteral("/v1/broker_connections");

QByteArray brokerAnswer(const QList<std::pair<QByteArray, QByteArray>>& numberAndName)
{
    QList<QByteArray> items;
    for (const auto& [number, name] : numberAndName)
        items << R"({"broker":"Interactive Brokers","name":")" + name + R"(","number":")" + number +
                     R"(","status":"Active","account_number":"U1"})";
    return R"({"success":true,"message":"","data":[)" + items.join(',') + "]}";
}

// A verification started from the form, run to its end.
bool verifyThroughForm(AccountsView& view)
{
    auto* busy = child<QProgressBar>(&view, QStringLiteral("verifyBusy"));
    QTest::mouseClick(child<QPushButton>(&view, QStringLiteral("verifyButton")), Qt::LeftButton);
    return QTest::qWaitFor([&] { return !busy->isVisible(); }, 20'000);
}

void typeKey(AccountsView& view, const QString& key)
{
    auto* field = child<QLineEdit>(&view, QStringLiteral("apiKeyField"));
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, key);
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
            << QStringLiteral("no-such-key") << QString() << false << false
            << QStringLiteral("Invalid API key.") << 0;
        QTest::newRow("broker fetch fails")
            << goodKey << brokersPath << false << false
            << QStringLiteral("No broker data or no active broker") << 0;
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
        auto* add = child<QToolButton>(&view, QStringLiteral("addAccountButton"));
        QVERIFY(add->isEnabled());
        QTest::mouseClick(add, Qt::LeftButton);
        const QUuid id = rig.settings.accountSettings().firstKey();
        QCOMPARE(view.accountKey(), id);
        // An unverified account blocks a second one.
        QVERIFY(!add->isEnabled());

        typeKey(view, key);
        QVERIFY(verifyThroughForm(view));

        const AccountSettings account = rig.settings.accountSettings().value(id);
        QCOMPARE(account.keyVerified, verified);
        QCOMPARE(account.brokerSettings.size(), brokerCount);
        QCOMPARE(view.detailsForm()->verificationError(), errorLine);
        auto* errorLabel = child<QLabel>(&view, QStringLiteral("verificationError"));
        QCOMPARE(errorLabel->isVisible(), !errorLine.isEmpty());
        QCOMPARE(child<QPushButton>(&view, QStringLiteral("verifyButton"))->text(),
                 verified ? QStringLiteral("Verified") : QStringLiteral("Verify"));
        QCOMPARE(rig.globalData.criticalError().has_value(), faultPath == botsPath);
        // The table follows half a second later.
        auto* table = child<QTableWidget>(&view, QStringLiteral("accountsTable"));
        QTRY_COMPARE(table->item(0, 2)->text(),
                     verified ? QStringLiteral("true") : QStringLiteral("false"));
        QCOMPARE(add->isEnabled(), verified);
        // The first-run sheets belong to the first-run window only.
        QVERIFY(!view.findChild<QDialog*>());

        // Typing into the key clears the error line at once.
        if (!errorLine.isEmpty()) {
            QTest::keyClick(child<QLineEdit>(&view, QStringLiteral("apiKeyField")), Qt::Key_X);
            QVERIFY(errorLabel->isHidden());
        }
        QVERIFY(rig.settle());
    }

    void reverifyKeepsWatchChoices()
    {
        PrefsRig rig(m_fake);
        const QUuid id = rig.addAccount(goodKey, false);
        AccountsView view(rig.settings, rig.verifier, false);
        view.show();
        m_fake.setAnswer(
            brokersPath, {}, 200,
            brokerAnswer({{"bc_kept", "Kept"}, {"bc_off", "Off"}, {"bc_gone", "Gone"}}));
        QVERIFY(verifyThroughForm(view));
        AccountSettings account = rig.settings.accountSettings().value(id);
        QCOMPARE(account.brokerSettings.size(), 3);
        account.brokerSettings[1].watch = false;
        account.brokerSettings[0].nickname = QStringLiteral("Mine");
        rig.settings.setAccount(account);

        // The platform drops one broker, adds one and forgets a name.
        m_fake.setAnswer(brokersPath, {}, 200,
                         brokerAnswer({{"bc_kept", ""}, {"bc_off", "Off"}, {"bc_new", "New"}}));
        QVERIFY(verifyThroughForm(view));
        QStringList brokers;
        for (const BrokerSettings& b : rig.settings.accountSettings().value(id).brokerSettings)
            brokers << b.brokerNumber +
                           (b.watch ? QStringLiteral(" watched ") : QStringLiteral(" ")) +
                           b.nickname;
        QCOMPARE(brokers,
                 (QStringList{QStringLiteral("bc_kept watched Mine"), QStringLiteral("bc_off Off"),
                              QStringLiteral("bc_new watched New")}));
        QVERIFY(rig.settle());
    }

    void laterVerificationWins()
    {
        PrefsRig rig(m_fake);
        const QUuid id = rig.addAccount(goodKey, false);
        AccountsView view(rig.settings, rig.verifier, false);
        view.show();
        // The first answer is slow; meanwhile the user types a wrong key and verifies again.
        m_fake.injectFault({botsPath, fake::Fault::Kind::none, 0, 1500, false});
        QTest::mouseClick(child<QPushButton>(&view, QStringLiteral("verifyButton")),
                          Qt::LeftButton);
        QVERIFY(child<QProgressBar>(&view, QStringLiteral("verifyBusy"))->isVisible());
        typeKey(view, QStringLiteral("no-such-key"));
        QVERIFY(verifyThroughForm(view));
        QCOMPARE(view.detailsForm()->verificationError(), QStringLiteral("Invalid API key."));
        QVERIFY(!rig.settings.accountSettings().value(id).keyVerified);
        QVERIFY(rig.settings.accountSettings().value(id).brokerSettings.isEmpty());
        QVERIFY(rig.settle());
    }

    void watchToggleNeedsAnotherAccount()
    {
        PrefsRig rig(m_fake);
        const QUuid first = rig.addAccount(goodKey, true, {QStringLiteral("bc_1:ew")});
        AccountsView view(rig.settings, rig.verifier, false);
        auto* watch = child<QCheckBox>(&view, QStringLiteral("watchAccountToggle"));
        QCOMPARE(view.accountKey(), first);
        QVERIFY(!watch->isEnabled());
        // A second account that is watched, or one that is verified, frees the first.
        const QUuid second = rig.addAccount(secondKey, false);
        QVERIFY(watch->isEnabled());
        rig.settings.setAccountValue(second, CVNSettings::AccountField::watchAccount, false);
        QVERIFY(!watch->isEnabled());
        const QUuid third = rig.addAccount(QStringLiteral("test-key-quiet"), true);
        rig.settings.setAccountValue(third, CVNSettings::AccountField::watchAccount, false);
        QVERIFY(watch->isEnabled());
    }

    void removeMovesSelectionAndDropsResults()
    {
        PrefsRig rig(m_fake);
        const QUuid a = rig.addAccount(goodKey, true, {QStringLiteral("bc_a:ew")});
        rig.addAccount(secondKey, true, {QStringLiteral("bc_b:ew")});
        rig.store.primeProcessedData();
        QTRY_COMPARE(rig.store.processedDataArray().size(), 2);
        AccountsView view(rig.settings, rig.verifier, false);
        QSignalSpy refreshes(&view, &AccountsView::statusItemRefreshRequested);
        view.show();
        auto* table = child<QTableWidget>(&view, QStringLiteral("accountsTable"));
        const QUuid last = view.accountRows().last().id;
        const QUuid first = view.accountRows().first().id;
        table->selectRow(1);
        QCOMPARE(view.accountKey(), last);

        // Return takes the alert's default button, "Remove".
        QTest::mouseClick(child<QPushButton>(&view, QStringLiteral("removeAccountButton")),
                          Qt::LeftButton);
        QMessageBox* box = openMessageBox(&view);
        QVERIFY(box);
        QVERIFY(box->text().endsWith(rig.settings.accountSettings().value(last).nickName));
        pressReturn(box);

        QVERIFY(!rig.settings.accountSettings().contains(last));
        QCOMPARE(view.accountKey(), first);
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(table->selectedRanges().first().topRow(), 0);
        QVERIFY(!refreshes.isEmpty());
        const QString dropped = last == a ? QStringLiteral("bc_a") : QStringLiteral("bc_b");
        QTRY_VERIFY(!rig.store.find(dropped));
        QCOMPARE(rig.store.processedDataArray().size(), 1);

        view.removeSelectedAccount();
        pressReturn(openMessageBox(&view));
        QCOMPARE(table->rowCount(), 0);
        QVERIFY(rig.settings.accountSettings().isEmpty());
        QVERIFY(!child<QPushButton>(&view, QStringLiteral("removeAccountButton"))->isEnabled());
        QVERIFY(!child<QWidget>(&view, QStringLiteral("accountDetailsForm"))->isEnabled());
    }

    void firstRunSheets()
    {
        PrefsRig rig(m_fake);
        rig.settings.addAccount();
        FirstRunWindow window(rig.settings, rig.verifier);
        window.present();
        QCOMPARE(window.size(), QSize(480, 300));
        QDialog* welcome = nullptr;
        QVERIFY(QTest::qWaitFor([&] {
            welcome = window.findChild<QDialog*>(QStringLiteral("welcomeSheet"));
            return welcome && welcome->isVisible();
        }));
        QVERIFY(child<QLabel>(welcome, QStringLiteral("sheetMessage"))
                    ->text()
                    .startsWith(QStringLiteral("Welcome to Corvane! \n\nBefore Corvane")));
        pressReturn(welcome);
        QTRY_VERIFY(!window.findChild<QDialog*>(QStringLiteral("welcomeSheet")));

        typeKey(*window.accountsView(), goodKey);
        QVERIFY(verifyThroughForm(*window.accountsView()));
        QTRY_VERIFY(window.findChild<QDialog*>(QStringLiteral("verifiedSheet")));

        // The frame is kept under the window's name for the next run.
        window.move(window.pos() + QPoint(7, 5));
        window.close();
        QSettings frames(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("corvane"),
                         QStringLiteral("windows"));
        QVERIFY(!frames.value(FirstRunWindow::frameName).toByteArray().isEmpty());
        QVERIFY(rig.settle());
    }
};

CORVANE_TEST(AccountsViewTest)

#include "test_accounts.moc"

} // namespace corvane::test
