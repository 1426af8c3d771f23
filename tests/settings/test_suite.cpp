#include "support/logcapture.h"
#include "support/tempsuite.h"
#include "support/testregistry.h"

#include <QFile>
#include <QTest>

using namespace corvane;
using namespace Qt::StringLiterals;

class SuiteTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void valuesSurviveARestart()
    {
        test::TempSuite temp;
        Suite& suite = temp.suite();
        const QByteArray json = R"(["7C1E…",{"apiKey":"k=v;x\n"}])";
        suite.setBoolean(u"watchRunning"_s, false);
        suite.setText(u"poUserKey"_s, u"ü/=;#[x]"_s);
        suite.setData(u"accountSettings"_s, json);

        Suite& again = temp.reopen();
        QVERIFY(again.contains(u"watchRunning"_s));
        QCOMPARE(again.boolean(u"watchRunning"_s, true), false);
        QCOMPARE(again.text(u"poUserKey"_s), u"ü/=;#[x]"_s);
        QCOMPARE(again.data(u"accountSettings"_s), json);
    }

    void fileIsReadableByItsOwnerOnly()
    {
        test::TempSuite temp;
        temp.suite().setText(u"poSessionSecret"_s, u"s3cret"_s);
        const auto permissions = QFile::permissions(temp.filePath());
        QVERIFY(permissions & QFile::ReadOwner);
        QVERIFY(!(permissions & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther)));

        // A file someone loosened is tightened again at the next write.
        QFile::setPermissions(temp.filePath(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
        temp.suite().setBoolean(u"rollUp"_s, true);
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
        QCOMPARE(suite.boolean(u"watchRunning"_s, true), true);
        QCOMPARE(suite.text(u"rollUpTaskBarLabel"_s, u"OF"_s), u"OF"_s);
        QVERIFY(suite.data(u"accountSettings"_s).isEmpty());
        QVERIFY(suite.wasUnreadable());
        const QString copy = temp.filePath() + u".unreadable"_s;
        QCOMPARE(suite.unreadableCopy(), copy);
        QCOMPARE(contents(copy), garbage);
        QVERIFY(!(QFile::permissions(copy) & (QFile::ReadGroup | QFile::ReadOther)));
        QCOMPARE(log.lines(),
                 QStringList(QStringLiteral("The settings file %1 could not be read; "
                                            "it was copied to %2 and defaults are used.")
                                 .arg(temp.filePath(), copy)));

        suite.setBoolean(u"rollUp"_s, true);
        QCOMPARE(temp.reopen().boolean(u"rollUp"_s), true);
        QVERIFY(!temp.suite().wasUnreadable());
        QCOMPARE(contents(copy), garbage);

        QVERIFY(corrupt("{\"accountSettings\": []}\n"));
        QCOMPARE(temp.reopen().unreadableCopy(), copy + u"-2"_s);
        QCOMPARE(contents(copy), garbage);
    }
};

CORVANE_TEST(SuiteTest)
#include "test_suite.moc"
