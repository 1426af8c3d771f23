#include "support/logcapture.h"
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

    // A file that cannot be read is copied beside itself, owner-only, before the first write
    // replaces it; a later unreadable file gets a copy of its own.
    void corruptFileGivesDefaultsAndIsCopiedBeforeAWrite()
    {
        test::TempSuite temp;
        const QByteArray garbage("\x00\x01[[[=\xff\xfe\nwatchRunning\n@ByteArray(", 31);
        const auto corrupt = [&](const QByteArray& bytes) {
            QFile file(temp.filePath());
            return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                   file.write(bytes) == bytes.size();
        };
        const auto contents = [](const QString& path) {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        QVERIFY(!temp.suite().wasUnreadable());
        QVERIFY(corrupt(garbage));
        test::LogCapture log;
        Suite& suite = temp.reopen();
        QCOMPARE(suite.boolean(QStringLiteral("watchRunning"), true), true);
        QCOMPARE(suite.text(QStringLiteral("rollUpTaskBarLabel"), QStringLiteral("OF")),
                 QStringLiteral("OF"));
        QVERIFY(suite.data(QStringLiteral("accountSettings")).isEmpty());
        QVERIFY(suite.wasUnreadable());
        const QString copy = temp.filePath() + QStringLiteral(".unreadable");
        QCOMPARE(suite.unreadableCopy(), copy);
        QCOMPARE(contents(copy), garbage);
        QVERIFY(!(QFile::permissions(copy) & (QFile::ReadGroup | QFile::ReadOther)));
        QCOMPARE(log.lines(),
                 QStringList(QStringLiteral("The settings file %1 could not be read; "
                                            "it was copied to %2 and defaults are used.")
                                 .arg(temp.filePath(), copy)));

        suite.setBoolean(QStringLiteral("rollUp"), true);
        QCOMPARE(temp.reopen().boolean(QStringLiteral("rollUp")), true);
        QVERIFY(!temp.suite().wasUnreadable());
        QCOMPARE(contents(copy), garbage);

        QVERIFY(corrupt("{\"accountSettings\": []}\n"));
        QCOMPARE(temp.reopen().unreadableCopy(), copy + QStringLiteral("-2"));
        QCOMPARE(contents(copy), garbage);
    }
};

CORVANE_TEST(SuiteTest)
#include "test_suite.moc"
