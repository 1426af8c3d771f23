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
#include <QTest>
#include <QWidget>

namespace corvane::test {

inline const QString goodKey = QStringLiteral("test-key-alpha");
inline const QString secondKey = QStringLiteral("test-key-bravo");

// The settings side of the application on private instances, its platform calls going to the
// fake Orrisfield over TLS.
struct PrefsRig {
    explicit PrefsRig(fake::FakeServices& fake)
        : core(clock.clock(),
               [&fake](CoreConfig& config) { config.platformApiUrl = fake.apiUrl(); })
    {}

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
// A dialog of the type (and name, when given) shown over the widget's window, once it shows.
template <class D> D* shownDialog(QWidget* over, const QString& name = {})
{
    D* shown = nullptr;
    (void)QTest::qWaitFor([&] {
        for (D* candidate : over->window()->findChildren<D*>(name)) {
            if (candidate->isVisible())
                shown = candidate;
        }
        return shown != nullptr;
    });
    return shown;
}

// Controls reached by Tab from the widget whose accessible name is empty, as "objectName".
QStringList unnamedTabStops(QWidget* top);

// Light and dark window palettes for the screenshots.
void useAppearance(bool dark);

} // namespace corvane::test
