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
using namespace Qt::StringLiterals;

namespace {

constexpr int keyCount = 9;
constexpr QFileDevice::Permissions groupOrOther = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                                  QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                                  QFileDevice::WriteOther | QFileDevice::ExeOther;

// The generation a key holds, 0 when it was never written, -1 when it is not a generation.
qint64 generationOf(const Suite& suite, int key)
{
    const QString name = u"key%1"_s.arg(key);
    if (!suite.contains(name))
        return 0;
    QByteArray value = suite.data(name);
    if (key % 3 == 0) {
        const qsizetype end = value.indexOf('\n');
        if (end < 0 || value.mid(end + 1) != QByteArray(2048, char('a' + key)))
            return -1;
        value.truncate(end);
    }
    bool ok = false;
    const qint64 generation = value.toLongLong(&ok);
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
        const QString path = folder.filePath(u"CVNSuite.conf"_s);
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("seed %u", seed);
        QRandomGenerator random(seed);
        qint64 reached = 0;
        // At least forty kills, and on until about three hundred writes were made in all.
        int run = 0;
        for (; (run < 40 || reached < 30) && run < 400; ++run) {
            QProcess writer;
            writer.start(QStringLiteral(CORVANE_SUITE_WRITER), {path, QString::number(keyCount)});
            QVERIFY(writer.waitForStarted());
            QThread::msleep(random.bounded(20, 400));
            ::kill(pid_t(writer.processId()), SIGKILL);
            QVERIFY(writer.waitForFinished());
            QCOMPARE(writer.exitStatus(), QProcess::CrashExit);

            QSettings raw(path, QSettings::IniFormat);
            QCOMPARE(raw.status(), QSettings::NoError);
            const Suite suite(path);
            // Keys are written in order, so the generations fall by at most one, once.
            const qint64 newest = generationOf(suite, 0);
            QVERIFY2(newest >= reached, qPrintable(u"run %1"_s.arg(run)));
            for (int key = 1; key < keyCount; ++key) {
                const qint64 generation = generationOf(suite, key);
                const qint64 before = generationOf(suite, key - 1);
                QVERIFY2(generation == before || (generation == newest - 1 && before == newest),
                         qPrintable(u"run %1, key%2: %3 after %4"_s.arg(run)
                                        .arg(key)
                                        .arg(generation)
                                        .arg(before)));
            }
            // A kill between two rounds may leave only the flag behind, never ahead.
            if (suite.contains(u"odd"_s) && newest > 0)
                QVERIFY(suite.boolean(u"odd"_s) == (newest % 2 == 1) ||
                        suite.boolean(u"odd"_s) == ((newest - 1) % 2 == 1));
            // Whatever the kill left behind holds secrets too: none readable by others.
            const QFileInfoList left = QDir(folder.path()).entryInfoList(QDir::Files);
            for (const QFileInfo& file : left) {
                // QSettings' lock files hold a process id and a host name, nothing else.
                if (!file.fileName().contains(u".lock"_s))
                    QVERIFY2(!(file.permissions() & groupOrOther), qPrintable(file.fileName()));
            }
            reached = newest;
        }
        QVERIFY2(reached >= 30, qPrintable(u"%1 rounds in %2 runs"_s.arg(reached).arg(run)));

        // A lock left by a killed writer does not block the next one.
        Suite next(path);
        next.setText(u"after"_s, u"written"_s);
        QCOMPARE(QSettings(path, QSettings::IniFormat).value(u"after"_s).toString(), u"written"_s);
        QCOMPARE(QFile::permissions(path) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
};

CORVANE_TEST(SettingsCrashTest)
#include "test_settingscrash.moc"
