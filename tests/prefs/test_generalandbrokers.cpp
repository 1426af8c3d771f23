#include "prefsrig.h"
#include "support/testregistry.h"
#include "views/brokerlistsheet.h"
#include "views/generalsettingsview.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace corvane::test {

namespace {

QCheckBox* watchBox(BrokerListSheet& sheet, const QString& number)
{
    return child<QCheckBox>(&sheet, u"watchBroker_"_s + number);
}

// Picks an entry of a combo box with the keyboard, as a user would.
void choose(QComboBox* picker, const QString& text)
{
    picker->setFocus();
    const int steps = picker->findText(text) - picker->currentIndex();
    for (int i = 0; i < std::abs(steps); ++i)
        QTest::keyClick(picker, steps > 0 ? Qt::Key_Down : Qt::Key_Up);
}

} // namespace

class GeneralAndBrokersTest final : public FakeServicesTest {
    Q_OBJECT

private Q_SLOTS:
    void brokerSheetRules()
    {
        PrefsRig rig(m_fake);
        const QUuid id =
            rig.addAccount(goodKey, true, {u"bc_12345:ew"_s, u"abc:e"_s, u"bc_off:w"_s});
        BrokerListSheet sheet(rig.settings, id);
        sheet.show();
        auto* table = child<QTableWidget>(&sheet, u"brokersTable"_s);
        // Hiding disabled brokers is the new-account default.
        QCOMPARE(table->rowCount(), 2);
        QCOMPARE(table->item(0, 1)->text(), u"*****345"_s);
        QCOMPARE(table->item(1, 1)->text(), u"abc"_s);
        // All but the last three characters hidden, from four characters up; nothing to hide
        // in an empty number.
        QCOMPARE(BrokerListSheet::maskedBrokerNumber(u"1234"_s), u"*234"_s);
        QCOMPARE(BrokerListSheet::maskedBrokerNumber(u"12345"_s), u"**345"_s);
        QCOMPARE(BrokerListSheet::maskedBrokerNumber(QString()), QString());
        QCOMPARE(table->item(0, 3)->text(), u"True"_s);
        // The hidden, disabled broker is watched and still counts.
        QCOMPARE(sheet.watchCount(), 2);
        QVERIFY(watchBox(sheet, u"bc_12345"_s)->isEnabled());

        clickBox(child<QCheckBox>(&sheet, u"hideDisabledBrokers"_s));
        QTRY_COMPARE(table->rowCount(), 3);
        QVERIFY(!rig.settings.accountSettings().value(id).filterBrokers);
        QVERIFY(!watchBox(sheet, u"bc_off"_s)->isEnabled());

        // Unwatching the disabled one leaves a single watched broker, which cannot be unwatched.
        AccountSettings account = rig.settings.accountSettings().value(id);
        account.brokerSettings[2].watch = false;
        rig.settings.setAccount(account);
        QTRY_COMPARE(sheet.watchCount(), 1);
        QVERIFY(!watchBox(sheet, u"bc_12345"_s)->isEnabled());
        clickBox(watchBox(sheet, u"abc"_s));
        QTRY_COMPARE(sheet.watchCount(), 2);
        QVERIFY(rig.settings.accountSettings().value(id).brokerSettings[1].watch);
        QVERIFY(watchBox(sheet, u"bc_12345"_s)->isEnabled());
        QVERIFY(watchBox(sheet, u"abc"_s)->isEnabled());

        account = rig.settings.accountSettings().value(id);
        account.brokerSettings[0].nickname.clear();
        rig.settings.setAccount(account);
        QTRY_COMPARE(table->item(0, 0)->text(), u"Update at OF"_s);
        const int hue = table->item(0, 0)->foreground().color().hue();
        QVERIFY2(hue >= 40 && hue <= 65, "a yellow");

        QTest::keyClick(&sheet, Qt::Key_Escape);
        QVERIFY(!sheet.isVisible());
    }

    // Rolling up needs one account with two brokers both enabled and watched; a roll-up that
    // is on can still be switched off once that no longer holds.
    void rollUpNeedsTwoWatchedBrokersInOneAccount()
    {
        PrefsRig rig(m_fake);
        GeneralSettingsView view(rig.settings, rig.stateManager);
        view.show();
        auto* rollUp = child<QCheckBox>(&view, u"rollUpTotals"_s);
        const auto accounts = [&rig](const QStringList& first, const QStringList& second = {}) {
            rig.settings.setAccountSettings({});
            rig.addAccount(goodKey, true, first);
            if (!second.isEmpty())
                rig.addAccount(secondKey, true, second);
        };
        accounts({u"a:ew"_s, u"b:e"_s}); // one of them unwatched
        QVERIFY(!rollUp->isEnabled());
        accounts({u"a:ew"_s, u"b:w"_s}); // watched but disabled
        QVERIFY(!rollUp->isEnabled());
        accounts({u"a:ew"_s}, {u"b:ew"_s}); // one in each account
        QVERIFY(!rollUp->isEnabled());

        accounts({u"a:ew"_s, u"b:ew"_s});
        QVERIFY(rollUp->isEnabled());
        QSignalSpy refreshes(&view, &GeneralSettingsView::statusItemRefreshRequested);
        clickBox(rollUp);
        QVERIFY(rig.settings.rollUp());
        QCOMPARE(refreshes.count(), 1);
        accounts({u"a:ew"_s, u"b:e"_s});
        QVERIFY(rollUp->isEnabled());
        clickBox(rollUp);
        QVERIFY(!rig.settings.rollUp());
        QVERIFY(!rollUp->isEnabled());
        QVERIFY(rig.settle());
    }

    // The frequency pickers, manual syncing, the roll-up label, launch at login and the panel's
    // shade, each written as the user changes it. Launch at login shows what the desktop holds:
    // a switch whose autostart entry could not be written goes back off, with the reason under it.
    void generalSettingsAreStored()
    {
        PrefsRig rig(m_fake);
        rig.addAccount(goodKey, true, {u"bc_8f21a0c4:ew"_s});
        rig.settings.setFrequencySelection({3, 15});
        QTemporaryDir config;
        const QString blocker = config.path() + u"/autostart"_s;
        QFile file(blocker); // a file where the folder should be
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        LoginItem loginItem(std::make_unique<XdgAutostart>(config.path(), u"/usr/bin/corvane"_s));
        GeneralSettingsView view(rig.settings, rig.stateManager, [&loginItem](bool enabled) {
            return loginItem.setEnabled(enabled);
        });
        view.show();
        // What the status item reads each time it is asked to refresh.
        QStringList refreshed;
        QObject::connect(&view, &GeneralSettingsView::statusItemRefreshRequested, &view,
                         [&] { refreshed << rig.settings.rollUpTaskBarLabel(); });

        auto* hours = child<QComboBox>(&view, u"hoursPicker"_s);
        auto* minutes = child<QComboBox>(&view, u"minutesPicker"_s);
        QCOMPARE(hours->currentText(), u"3"_s);
        QCOMPARE(minutes->currentText(), u"1"_s);
        choose(minutes, u"5"_s);
        QCOMPARE(rig.settings.frequencySelection(), (FrequencySelection{3, 5}));
        choose(hours, u"0"_s);
        QCOMPARE(rig.settings.frequencySelection(), (FrequencySelection{0, 5}));

        // Manual syncing fetches once at every evaluation, so passes count evaluations.
        QVERIFY(rig.settle());
        QSignalSpy passes(&rig.core->watch(), &RunWatch::passStarted);
        clickBox(child<QCheckBox>(&view, u"manualSync"_s));
        QVERIFY(rig.settings.frequencyManual());
        QVERIFY(rig.settle());
        QCOMPARE(passes.count(), 1);
        QVERIFY(!rig.core->watch().isTimerActive());

        // The label is refreshed once typing pauses.
        auto* label = child<QLineEdit>(&view, u"taskbarLabel"_s);
        label->selectAll();
        QTest::keyClicks(label, u"ALLSIX"_s);
        QCOMPARE(rig.settings.rollUpTaskBarLabel(), u"ALLSIX"_s);
        QVERIFY(refreshed.isEmpty());
        QTRY_COMPARE(refreshed, QStringList{u"ALLSIX"_s});
        QTest::qWait(600);
        QCOMPARE(refreshed, QStringList{u"ALLSIX"_s});

        auto* launch = child<QCheckBox>(&view, u"launchAtStartup"_s);
        auto* launchError = child<QLabel>(&view, u"launchAtStartupError"_s);
        clickBox(launch);
        QVERIFY(!launch->isChecked());
        QVERIFY(!rig.settings.runOnStartup());
        QVERIFY(launchError->isVisible());
        QVERIFY2(launchError->text().startsWith(u"Could not turn on launch at startup: "_s),
                 qPrintable(launchError->text()));
        QVERIFY(QFile::remove(blocker));
        clickBox(launch);
        QVERIFY(launch->isChecked() && rig.settings.runOnStartup());
        QVERIFY(!launchError->isVisible());
        QVERIFY(QFile::exists(blocker + u"/corvane.desktop"_s));
        clickBox(launch);
        QVERIFY(!launch->isChecked() && !rig.settings.runOnStartup());
        QVERIFY(!QFile::exists(blocker + u"/corvane.desktop"_s));

        // The panel's shade is kept across starts and shown as stored.
        auto* panel = child<QComboBox>(&view, u"panelPicker"_s);
        QCOMPARE(panel->currentText(), u"Automatic"_s);
        choose(panel, u"Dark"_s);
        QCOMPARE(CVNSettings(rig.settings.defaults()).panelShade(), PanelShade::dark);
        rig.settings.setPanelShade(PanelShade::light);
        QCOMPARE(panel->currentText(), u"Light"_s);
        QCOMPARE(CVNSettings(rig.settings.defaults()).panelShade(), PanelShade::light);

        // Without a keyring the page names the file that holds the secrets.
        auto* secrets = child<QLabel>(&view, u"secretsLocation"_s);
        QCOMPARE(secrets->text(), u"API keys and the Pushover secret are kept in "_s +
                                      rig.core->suite().filePath() + u", readable by you alone."_s);
    }
};

CORVANE_TEST(GeneralAndBrokersTest)

#include "test_generalandbrokers.moc"

} // namespace corvane::test
