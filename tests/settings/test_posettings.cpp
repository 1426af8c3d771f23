#include "settings/posettings.h"
#include "settings/suite.h"
#include "support/tempsuite.h"
#include "support/testregistry.h"

#include <QSignalSpy>
#include <QTest>

using namespace corvane;
using namespace Qt::StringLiterals;

namespace {
const QString secretKey = u"poSessionSecret"_s;
const QString deviceKey = u"poDeviceUID"_s;
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

        po.setPoDeviceUID(u"device-1"_s);
        QCOMPARE(po.poIsRegistered(), false);
        QCOMPARE(registered.count(), 0);

        po.setPoSessionSecret(u"secret-1"_s);
        QCOMPARE(po.poIsRegistered(), true);
        QCOMPARE(registered.count(), 1);

        // The same secret again is announced and written, but registration does not change.
        temp.suite().setText(secretKey, u"changed behind our back"_s);
        po.setPoSessionSecret(u"secret-1"_s);
        QCOMPARE(secret.count(), 2);
        QCOMPARE(registered.count(), 1);
        QCOMPARE(temp.suite().text(secretKey), u"secret-1"_s);

        po.setPoUserKey(u"user"_s);
        po.setPoDeviceName(u"desk"_s);
        POSettings again(temp.reopen());
        QCOMPARE(again.poIsRegistered(), true);
        QCOMPARE(again.poUserKey(), u"user"_s);
        QCOMPARE(again.poDeviceName(), u"desk"_s);
        QCOMPARE(again.poDeviceUID(), u"device-1"_s);
    }

    void resetClearsDeviceThenSecret()
    {
        test::TempSuite temp;
        temp.suite().setText(secretKey, u"s"_s);
        QVERIFY(!POSettings(temp.reopen()).poIsRegistered()); // a stored secret alone is not
        temp.suite().setText(deviceKey, u"d"_s);
        temp.suite().setText(u"poEmail"_s, u"a@b.c"_s);
        POSettings po(temp.reopen());
        QStringList events;
        connect(&po, &POSettings::poDeviceUIDChanged, this,
                [&] { events.append(u"device stored="_s + temp.suite().text(deviceKey)); });
        connect(&po, &POSettings::poIsRegisteredChanged, this,
                [&](bool value) { events.append(u"registered="_s + QString::number(value)); });
        connect(&po, &POSettings::poSessionSecretChanged, this,
                [&] { events.append(u"secret"_s); });
        po.reset();
        QCOMPARE(events, (QStringList{u"device stored=d"_s, u"registered=0"_s, u"secret"_s}));
        QCOMPARE(temp.suite().text(deviceKey, u"absent"_s), QString());
        QCOMPARE(temp.suite().text(secretKey, u"absent"_s), QString());

        // poEmail is only ever loaded: a value written by others after start stays.
        temp.suite().setText(u"poEmail"_s, u"other@b.c"_s);
        po.setPoUserKey(u"u"_s);
        QCOMPARE(temp.reopen().text(u"poEmail"_s), u"other@b.c"_s);
        QCOMPARE(po.poEmail(), u"a@b.c"_s);
    }
};

CORVANE_TEST(POSettingsTest)
#include "test_posettings.moc"
