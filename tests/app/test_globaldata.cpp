#include "app/globaldata.h"
#include "support/testregistry.h"

#include <QSignalSpy>
#include <QTest>

using namespace corvane;

// What a view reads through the published properties.
class GlobalDataTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // An empty text is an error like any other; only "none" is no error.
    void propertiesTellNoErrorFromAnEmptyOne()
    {
        GlobalData data;
        for (const char* name : {"criticalError", "internetError"}) {
            QVERIFY2(!data.property(name).isValid(), name);
            const auto set = [&](const std::optional<QString>& text) {
                if (qstrcmp(name, "criticalError") == 0)
                    data.setCriticalError(text);
                else
                    data.setInternetError(text);
                data.updateHasError();
            };
            for (const QString& empty : {QString(), QStringLiteral("")}) {
                set(empty);
                QVERIFY2(data.property(name).isValid(), name);
                QCOMPARE(data.property(name).toString(), QString());
                QVERIFY(data.property("hasError").toBool());
            }
            set(QStringLiteral("Cannot connect"));
            QCOMPARE(data.property(name).toString(), QStringLiteral("Cannot connect"));
            set(std::nullopt);
            QVERIFY2(!data.property(name).isValid(), name);
            QVERIFY(!data.property("hasError").toBool());
        }
    }
};

CORVANE_TEST(GlobalDataTest)
#include "test_globaldata.moc"
