#include "settings/suite.h"
#include "support/testregistry.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <csignal>

using namespace corvane;

namespace {

constexpr int keyCount = 9;
constexpr QFileDevice::Permissions groupOrOther = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                                  QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                                  QFileDevice::WriteOther | QFileDevice::ExeOther;

// The generation a key holds, 0 when it was never written, -1 when it is not a generation.
qint64 generationOf(const Suite& suite, int key)
{
    const QString name = QStringLiteral("key%1").arg(key);
    if (!suite.contains(name))
        return 0;
    const QByteArray value = suite.data(name);
    bool ok = false;
    const qint64 generation = value.left(value.indexOf('\n')).toLongLong(&ok);
    if (key % 3 == 0 && value.mid(value.indexOf('\n') + 1) != QByteArray(2048, char('a' + key)))
        return -1;
    return ok ? generation : -1;
}

} // namespace

// The suite is replaced whole at every write, so a writer killed at any moment leaves either
// the file before or the file after that write.
class SettingsCrashTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void aKilledWriterLeavesOldOrNewValues()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString path = folder.filePath(QStringLiteral("CVNSuite.conf"));
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("seed %u", seed);
        QRandomGenerator random(seed);
        qint64 reached = 0;
        for (int run = 0; run < 40; ++run) {
            QProcess writer;
            writer.start(QStringLiteral(CORVANE_SUITE_WRITER), {path, QString::number(keyCount)});
            QVERIFY(writer.waitForStarted());
            QThread::msleep(random.bounded(10, 250));
            ::kill(pid_t(writer.processId()), SIGKILL);
            QVERIFY(writer.waitForFinished());
            QCOMPARE(writer.exitStatus(), QProcess::CrashExit);

            QSettings raw(path, QSettings::IniFormat);
            QCOMPARE(raw.status(), QSettings::NoError);
            const Suite suite(path);
            // Keys are written in order, so the generations fall by at most one, once.
            const qint64 newest = generationOf(suite, 0);
            QVERIFY2(newest >= reached, qPrintable(QStringLiteral("run %1").arg(run)));
            for (int key = 1; key < keyCount; ++key) {
                const qint64 generation = generationOf(suite, key);
                const qint64 before = generationOf(suite, key - 1);
                QVERIFY2(generation == before || (generation == newest - 1 && before == newest),
                         qPrintable(QStringLiteral("run %1, key%2: %3 after %4")
                                        .arg(run)
                                        .arg(key)
                                        .arg(generation)
                                        .arg(before)));
            }
            // A kill between two rounds may leave only the flag behind, never ahead.
            if (suite.contains(QStringLiteral("odd")) && newest > 0)
                QVERIFY(suite.boolean(QStringLiteral("odd")) == (newest % 2 == 1) ||
                        suite.boolean(QStringLiteral("odd")) == ((newest - 1) % 2 == 1));
            // Whatever the kill left behind holds secrets too: none readable by others.
            const QFileInfoList left = QDir(folder.path()).entryInfoList(QDir::Files);
            for (const QFileInfo& file : left) {
                if (!file.fileName().endsWith(QStringLiteral(".lock")))
                    QVERIFY2(!(file.permissions() & groupOrOther), qPrintable(file.fileName()));
            }
            reached = newest;
        }
        // Hundreds of rewrites (about ten per generation) were cut short along the way.
        QVERIFY2(reached * (keyCount + 1) >= 300, qPrintable(QString::number(reached)));

        // A lock left by a killed writer does not block the next one.
        Suite next(path);
        next.setText(QStringLiteral("after"), QStringLiteral("written"));
        QCOMPARE(QSettings(path, QSettings::IniFormat).value(QStringLiteral("after")).toString(),
                 QStringLiteral("written"));
        QCOMPARE(QFile::permissions(path) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
};

CORVANE_TEST(SettingsCrashTest)
#include "test_settingscrash.moc"
