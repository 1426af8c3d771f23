#include "support/tempsuite.h"
#include "support/testregistry.h"

#include <QFile>
#include <QTest>

using namespace corvane;

class SuiteTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void valuesSurviveARestart()
    {
        test::TempSuite temp;
        Suite& suite = temp.suite();
        const QByteArray json = R"(["7C1E…",{"apiKey":"k=v;x\n"}])";
        suite.setBoolean(QStringLiteral("watchRunning"), false);
        suite.setText(QStringLiteral("poUserKey"), QStringLiteral("ü/=;#[x]"));
        suite.setData(QStringLiteral("accountSettings"), json);

        Suite& again = temp.reopen();
        QVERIFY(again.contains(QStringLiteral("watchRunning")));
        QCOMPARE(again.boolean(QStringLiteral("watchRunning"), true), false);
        QCOMPARE(again.text(QStringLiteral("poUserKey")), QStringLiteral("ü/=;#[x]"));
        QCOMPARE(again.data(QStringLiteral("accountSettings")), json);
    }

    void fileIsReadableByItsOwnerOnly()
    {
        test::TempSuite temp;
        temp.suite().setText(QStringLiteral("poSessionSecret"), QStringLiteral("s3cret"));
        const auto permissions = QFile::permissions(temp.filePath());
        QVERIFY(permissions & QFile::ReadOwner);
        QVERIFY(!(permissions & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther)));

        // A file someone loosened is tightened again at the next write.
        QFile::setPermissions(temp.filePath(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
        temp.suite().setBoolean(QStringLiteral("rollUp"), true);
        QVERIFY(!(QFile::permissions(temp.filePath()) & QFile::ReadOther));
    }

    void corruptFileGivesDefaultsAndIsKeptUntilAWrite()
    {
        test::TempSuite temp;
        const QByteArray garbage("\x00\x01[[[=\xff\xfe\nwatchRunning\n@ByteArray(", 31);
        {
            QFile file(temp.filePath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(garbage);
        }
        Suite& suite = temp.reopen();
        QCOMPARE(suite.boolean(QStringLiteral("watchRunning"), true), true);
        QCOMPARE(suite.text(QStringLiteral("rollUpTaskBarLabel"), QStringLiteral("OF")),
                 QStringLiteral("OF"));
        QVERIFY(suite.data(QStringLiteral("accountSettings")).isEmpty());
        {
            QFile file(temp.filePath());
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), garbage);
        }
        suite.setBoolean(QStringLiteral("rollUp"), true);
        QCOMPARE(temp.reopen().boolean(QStringLiteral("rollUp")), true);
    }
};

CORVANE_TEST(SuiteTest)
#include "test_suite.moc"
