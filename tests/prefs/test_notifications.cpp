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
#include <QSignalSpy>
#include <QTest>

namespace corvane::test {

namespace {

void fill(NotificationSettingsView& view, const QString& name, const QString& text)
{
    auto* field = child<QLineEdit>(&view, name);
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
}

// Presses Register and waits for the set-up to end; the progress indicator stands in for the
// button meanwhile.
bool registerOnce(NotificationSettingsView& view)
{
    auto* button = child<QPushButton>(&view, QStringLiteral("registerButton"));
    auto* progress = child<QProgressBar>(&view, QStringLiteral("setupProgress"));
    QTest::mouseClick(button, Qt::LeftButton);
    if (!progress->isVisible() || button->isVisible())
        return false;
    return QTest::qWaitFor([&] { return !view.poApiManager().isLoading(); }, 20'000);
}

} // namespace

class NotificationSettingsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void deviceNameKeepsAllowedCharacters()
    {
        PushoverRig rig(quickTiming());
        QVERIFY2(rig.problem().isEmpty(), qPrintable(rig.problem()));
        NotificationSettingsView view(rig.core().settings(), rig.settings(),
                                      rig.core().pushoverSetup(), rig.core().socket());
        view.show();
        auto* field = child<QLineEdit>(&view, QStringLiteral("deviceNameField"));
        QTest::keyClicks(field, QStringLiteral("my mac!"));
        QCOMPARE(field->text(), QStringLiteral("mymac"));
        QApplication::clipboard()->setText(
            QStringLiteral(" é_desk-top 0123456789abcdefghijklmnop"));
        field->clear();
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(field->text(), QStringLiteral("_desk-top0123456789abcdef"));
        QCOMPARE(field->text().size(), 25);
        // Without a registration the switch cannot be turned on.
        QVERIFY(!child<QCheckBox>(&view, QStringLiteral("enableNotifications"))->isEnabled());
    }

    void twoFactorThenSuccess()
    {
        PushoverRig rig(quickTiming());
        QVERIFY2(rig.problem().isEmpty(), qPrintable(rig.problem()));
        rig.pushover().addAccount(PushoverRig::email(), PushoverRig::password(),
                                  QStringLiteral("424242"));
        NotificationSettingsView view(rig.core().settings(), rig.settings(),
                                      rig.core().pushoverSetup(), rig.core().socket());
        view.show();
        auto* codeField = child<QLineEdit>(&view, QStringLiteral("authenticationCodeField"));
        auto* errorLine = child<QLabel>(&view, QStringLiteral("errorLine"));
        auto* statusLine = child<QLabel>(&view, QStringLiteral("statusLine"));
        QVERIFY(!codeField->isVisible());

        fill(view, QStringLiteral("emailField"), PushoverRig::email());
        fill(view, QStringLiteral("passwordField"), QStringLiteral("wrong"));
        fill(view, QStringLiteral("deviceNameField"), QStringLiteral("desk"));
        QVERIFY(registerOnce(view));
        QVERIFY(errorLine->isVisible());
        QVERIFY(errorLine->text().startsWith(QStringLiteral("Error: Pushover setup failed: ")));

        fill(view, QStringLiteral("passwordField"), PushoverRig::password());
        QVERIFY(registerOnce(view));
        // The earlier error is gone once a new attempt starts.
        QVERIFY(!errorLine->isVisible());
        QCOMPARE(statusLine->text(), QStringLiteral("Status: Two-factor authentication required."));
        QVERIFY(codeField->isVisible());
        QVERIFY(rig.settings().poSessionSecret().isEmpty());

        fill(view, QStringLiteral("authenticationCodeField"), QStringLiteral("424242"));
        LogCapture log;
        QVERIFY(registerOnce(view));
        QVERIFY(rig.settings().poIsRegistered());
        QVERIFY(!errorLine->isVisible() && !codeField->isVisible());
        // No backlog: nothing to acknowledge, and the set-up still succeeds.
        QVERIFY(log.contains(QStringLiteral("No messages to delete")));
        QVERIFY(rig.requestsTo(rig.ackPath()).isEmpty());
        QVERIFY(!child<QWidget>(&view, QStringLiteral("emailField"))->isVisible());
        QVERIFY(child<QLabel>(&view, QStringLiteral("registeredText"))
                    ->text()
                    .startsWith(QStringLiteral("Device name on Pushover: desk\n\n")));
        QVERIFY(child<QCheckBox>(&view, QStringLiteral("enableNotifications"))->isEnabled());
        const auto logins = rig.requestsTo(QStringLiteral("/1/users/login.json"));
        QCOMPARE(logins.size(), 3);
        QVERIFY(!fake::valueOf(logins[1].form, QStringLiteral("twofa")));
        QCOMPARE(fake::valueOf(logins.last().form, QStringLiteral("twofa")).value_or(QString()),
                 QStringLiteral("424242"));
    }

    void switchAndResetDriveTheSocket()
    {
        PushoverRig rig(quickTiming());
        QVERIFY2(rig.problem().isEmpty(), qPrintable(rig.problem()));
        QVERIFY(rig.registerDevice());
        CVNSettings& settings = rig.core().settings();
        settings.setEnableNotifications(true);
        PushoverWebSocketManager& socket = rig.core().socket();
        NotificationSettingsView view(settings, rig.settings(), rig.core().pushoverSetup(), socket);
        view.show();
        // Opening the page changes nothing.
        QTest::qWait(100);
        QVERIFY(!socket.isSocketRunning());

        auto* enable = child<QCheckBox>(&view, QStringLiteral("enableNotifications"));
        QVERIFY(enable->isChecked());
        clickBox(enable);
        QVERIFY(!settings.enableNotifications());
        clickBox(enable);
        QVERIFY(settings.enableNotifications());
        QTRY_VERIFY(socket.isSocketRunning());

        QTest::mouseClick(child<QPushButton>(&view, QStringLiteral("resetButton")), Qt::LeftButton);
        QMessageBox* box = openMessageBox(&view);
        QVERIFY(box);
        QCOMPARE(box->windowTitle(), QStringLiteral("Confirm Reset"));
        pressReturn(box);
        QVERIFY(!rig.settings().poIsRegistered());
        QVERIFY(!settings.enableNotifications());
        QVERIFY(!socket.isSocketRunning());
        QVERIFY(!enable->isChecked());
        QVERIFY(!enable->isEnabled());
        QVERIFY(child<QWidget>(&view, QStringLiteral("emailField"))->isVisible());
    }
};

CORVANE_TEST(NotificationSettingsTest)

#include "test_notifications.moc"

} // namespace corvane::test
