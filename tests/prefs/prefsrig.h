#pragma once

#include "app/statemanager.h"
#include "engine/processeddatamanager.h"
#include "engine/runwatch.h"
#include "models/accountverifier.h"
#include "settings/settings.h"
#include "support/fakeservicestest.h"
#include "support/testclock.h"
#include "support/testcore.h"

#include <QString>
#include <QWidget>

class QDialog;
class QMessageBox;
class QWidget;

namespace corvane::test {

inline const QString goodKey = QStringLiteral("test-key-alpha");
inline const QString secondKey = QStringLiteral("test-key-bravo");

// The settings side of the application on private instances, its platform calls going to the
// fake Orrisfield over TLS.
class PrefsRig final {
public:
    explicit PrefsRig(fake::FakeServices& fake);
    PrefsRig(const PrefsRig&) = delete;
    PrefsRig& operator=(const PrefsRig&) = delete;

    // Stores an account; verified ones get the brokers given as "number:flags", where the flags
    // are "e" (enabled) and "w" (watched).
    QUuid addAccount(const QString& apiKey, bool verified, const QStringList& brokers = {});
    // Waits until no pass runs, so the rig can be taken down.
    bool settle() { return waitForPasses(*core); }

    TestClock clock{newYork(2026, 12, 2, 11, 0)};
    TestCore core;
    CVNSettings& settings{core->settings()};
    ProcessedDataManager& store{core->store()};
    StateManager& stateManager{core->stateManager()};
    AccountVerifier& verifier{core->verifier()};
};

// A child widget by object name, or null.
template <class W> W* child(QWidget* parent, const QString& name)
{
    return parent->findChild<W*>(name);
}
// Replaces the text of the named field by typing, as a user would.
void fill(QWidget* parent, const QString& field, const QString& text);
// Clicks a check box on its indicator: a box stretched across a row only reacts there.
void clickBox(QWidget* box);
// The sheet (a dialog of that name) over the window, once it shows.
QDialog* shownSheet(QWidget& window, const QString& name);
// The message box open over the widget's window, once it shows.
QMessageBox* openMessageBox(QWidget* over);
// Presses the default button the way the keyboard does.
void pressReturn(QWidget* widget);

// Controls reached by Tab from the widget whose accessible name is empty, as "objectName".
QStringList unnamedTabStops(QWidget* top);

// Light and dark window palettes for the screenshots.
void useAppearance(bool dark);

} // namespace corvane::test
