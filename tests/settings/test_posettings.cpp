#include "settings/posettings.h"
#include "settings/suite.h"
#include "support/tempsuite.h"
#include "support/testregistry.h"

#include <QSignalSpy>
#include <QTest>

using namespace corvane;

namespace {
const QString secretKey = QStringLiteral("poSessionSecret");
const QString deviceKey = QStringLiteral("poDeviceUID");
} // namespace

class POSettingsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void registrationFollowsSecretAndDevice()
    {
        test::TempSuite temp;
        POSettings po(temp.suite());
        QSignalSpy registered(&po, &POSettings::poIsRegisteredChanged);
        QSignalSpy secret(&po, &POSettings::poSessionSecretChanged);

        po.setPoDeviceUID(QStringLiteral("device-1"));
        QCOMPARE(po.poIsRegistered(), false);
        QCOMPARE(registered.count(), 0);

        po.setPoSessionSecret(QStringLiteral("secret-1"));
        QCOMPARE(po.poIsRegistered(), true);
        QCOMPARE(registered.count(), 1);

        // The same secret again is announced and written, but registration does not change.
        temp.suite().setText(secretKey, QStringLiteral("changed behind our back"));
        po.setPoSessionSecret(QStringLiteral("secret-1"));
        QCOMPARE(secret.count(), 2);
        QCOMPARE(registered.count(), 1);
        QCOMPARE(temp.suite().text(secretKey), QStringLiteral("secret-1"));

        po.setPoUserKey(QStringLiteral("user"));
        po.setPoDeviceName(QStringLiteral("desk"));
        POSettings again(temp.reopen());
        QCOMPARE(again.poIsRegistered(), true);
        QCOMPARE(again.poUserKey(), QStringLiteral("user"));
        QCOMPARE(again.poDeviceName(), QStringLiteral("desk"));
        QCOMPARE(again.poDeviceUID(), QStringLiteral("device-1"));
    }

    void resetClearsDeviceThenSecret()
    {
        test::TempSuite temp;
        temp.suite().setText(secretKey, QStringLiteral("s"));
        QVERIFY(!POSettings(temp.reopen()).poIsRegistered()); // a stored secret alone is not
        temp.suite().setText(deviceKey, QStringLiteral("d"));
        temp.suite().setText(QStringLiteral("poEmail"), QStringLiteral("a@b.c"));
        POSettings po(temp.reopen());
        QStringList events;
        connect(&po, &POSettings::poDeviceUIDChanged, this, [&] {
            events.append(QStringLiteral("device stored=") + temp.suite().text(deviceKey));
        });
        connect(&po, &POSettings::poIsRegisteredChanged, this, [&](bool value) {
            events.append(QStringLiteral("registered=") + QString::number(value));
        });
        connect(&po, &POSettings::poSessionSecretChanged, this,
                [&] { events.append(QStringLiteral("secret")); });
        po.reset();
        QCOMPARE(events, (QStringList{QStringLiteral("device stored=d"),
                                      QStringLiteral("registered=0"), QStringLiteral("secret")}));
        QCOMPARE(temp.suite().text(deviceKey, QStringLiteral("absent")), QString());
        QCOMPARE(temp.suite().text(secretKey, QStringLiteral("absent")), QString());

        // poEmail is only ever loaded: a value written by others after start stays.
        temp.suite().setText(QStringLiteral("poEmail"), QStringLiteral("other@b.c"));
        po.setPoUserKey(QStringLiteral("u"));
        QCOMPARE(temp.reopen().text(QStringLiteral("poEmail")), QStringLiteral("other@b.c"));
        QCOMPARE(po.poEmail(), QStringLiteral("a@b.c"));
    }
};

CORVANE_TEST(POSettingsTest)
#include "test_posettings.moc"
