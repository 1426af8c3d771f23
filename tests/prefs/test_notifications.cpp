#include "prefsrig.h"
#include "pushover/poapimanager.h"
#include "pushoverrig.h"
#include "support/logcapture.h"
#include "support/testregistry.h"
#include "views/notificationsettingsview.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace corvane::test {

namespace {

// Presses Register and waits for the set-up to end; the progress indicator stands in for the
// button meanwhile.
bool registerOnce(NotificationSettingsView& view)
{
    auto* button = child<QPushButton>(&view, u"registerButton"_s);
    auto* progress = child<QProgressBar>(&view, u"setupProgress"_s);
    QTest::mouseClick(button, Qt::LeftButton);
    if (!progress->isVisible() || button->isVisible())
        return false;
    return QTest::qWaitFor([&] { return !view.poApiManager().isLoading(); }, 20'000);
}

} // namespace

class NotificationSettingsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void deviceNameThenTwoFactorThenSuccess()
    {
        PushoverRig rig(quickTiming());
        QVERIFY2(rig.problem().isEmpty(), qPrintable(rig.problem()));
        rig.pushover().addAccount(PushoverRig::email(), PushoverRig::password(), u"424242"_s);
        NotificationSettingsView view(rig.core().settings(), rig.settings(),
                                      rig.core().pushoverSetup());
        view.show();
        auto* codeField = child<QLineEdit>(&view, u"authenticationCodeField"_s);
        auto* errorLine = child<QLabel>(&view, u"errorLine"_s);
        auto* statusLine = child<QLabel>(&view, u"statusLine"_s);
        QVERIFY(!codeField->isVisible());
        // Without a registration the switch cannot be turned on.
        QVERIFY(!child<QCheckBox>(&view, u"enableNotifications"_s)->isEnabled());

        // The device name keeps only the characters Pushover allows, up to 25.
        auto* name = child<QLineEdit>(&view, u"deviceNameField"_s);
        QTest::keyClicks(name, u"my mac!"_s);
        QCOMPARE(name->text(), u"mymac"_s);
        QApplication::clipboard()->setText(u" é_desk-top 0123456789abcdefghijklmnop"_s);
        name->clear();
        QTest::keyClick(name, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(name->text(), u"_desk-top0123456789abcdef"_s);
        fill(&view, u"deviceNameField"_s, u"desk"_s);

        fill(&view, u"emailField"_s, PushoverRig::email());
        fill(&view, u"passwordField"_s, u"wrong"_s);
        QVERIFY(registerOnce(view));
        QVERIFY(errorLine->isVisible());
        QVERIFY(errorLine->text().startsWith(u"Error: Pushover setup failed: "_s));

        fill(&view, u"passwordField"_s, PushoverRig::password());
        QVERIFY(registerOnce(view));
        // The earlier error is gone once a new attempt starts.
        QVERIFY(!errorLine->isVisible());
        QCOMPARE(statusLine->text(), u"Status: Two-factor authentication required."_s);
        QVERIFY(codeField->isVisible());
        QVERIFY(rig.settings().poSessionSecret().isEmpty());

        fill(&view, u"authenticationCodeField"_s, u"424242"_s);
        LogCapture log;
        QVERIFY(registerOnce(view));
        QVERIFY(rig.settings().poIsRegistered());
        QVERIFY(!errorLine->isVisible());
        // No backlog: nothing to acknowledge, and the set-up still succeeds.
        QVERIFY(log.contains(u"No messages to delete"_s));
        QVERIFY(rig.requestsTo(rig.ackPath()).isEmpty());
        QVERIFY(!child<QWidget>(&view, u"emailField"_s)->isVisible());
        QVERIFY(child<QLabel>(&view, u"registeredText"_s)
                    ->text()
                    .startsWith(u"Device name on Pushover: desk\n\n"_s));
        QVERIFY(child<QCheckBox>(&view, u"enableNotifications"_s)->isEnabled());
        const auto logins = rig.requestsTo(u"/1/users/login.json"_s);
        QCOMPARE(logins.size(), 3);
        QVERIFY(!fake::valueOf(logins[1].form, u"twofa"_s));
        QCOMPARE(fake::valueOf(logins.last().form, u"twofa"_s).value_or(QString()), u"424242"_s);

        // Reset: the form comes back, and the code asked for last time is not asked again.
        QTest::mouseClick(child<QPushButton>(&view, u"resetButton"_s), Qt::LeftButton);
        QTest::keyClick(shownDialog<QMessageBox>(&view), Qt::Key_Return);
        QVERIFY(child<QWidget>(&view, u"emailField"_s)->isVisible());
        QVERIFY(!codeField->isVisible());
    }

    void switchAndResetDriveTheSocket()
    {
        PushoverRig rig(quickTiming());
        QVERIFY2(rig.problem().isEmpty(), qPrintable(rig.problem()));
        CVNSettings& settings = rig.core().settings();
        settings.setEnableNotifications(true); // before the device exists: nothing to open yet
        QVERIFY(rig.registerDevice());
        PushoverWebSocketManager& socket = rig.core().socket();
        NotificationSettingsView view(settings, rig.settings(), rig.core().pushoverSetup());
        view.show();
        // Opening the page changes nothing.
        QTest::qWait(100);
        QVERIFY(!socket.isSocketRunning());

        auto* enable = child<QCheckBox>(&view, u"enableNotifications"_s);
        QVERIFY(enable->isChecked());
        clickBox(enable);
        QVERIFY(!settings.enableNotifications());
        clickBox(enable);
        QVERIFY(settings.enableNotifications());
        QTRY_VERIFY(socket.isSocketRunning());

        QTest::mouseClick(child<QPushButton>(&view, u"resetButton"_s), Qt::LeftButton);
        QMessageBox* box = shownDialog<QMessageBox>(&view);
        QVERIFY(box);
        QCOMPARE(box->windowTitle(), u"Confirm Reset"_s);
        QTest::keyClick(box, Qt::Key_Return);
        QVERIFY(!rig.settings().poIsRegistered());
        QVERIFY(!settings.enableNotifications());
        QVERIFY(!socket.isSocketRunning());
        QVERIFY(!enable->isChecked());
        QVERIFY(!enable->isEnabled());
        QVERIFY(child<QWidget>(&view, u"emailField"_s)->isVisible());
    }
};

CORVANE_TEST(NotificationSettingsTest)

#include "test_notifications.moc"

} // namespace corvane::test
