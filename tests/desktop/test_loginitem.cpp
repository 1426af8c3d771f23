#include "app/loginitem.h"
#include "support/logcapture.h"
#include "support/testregistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace corvane;
using namespace Qt::StringLiterals;

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class LoginItemTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void autostartFileFollowsTheSwitch()
    {
        QTemporaryDir config;
        const QString program = u"/opt/My Apps/corvane"_s;
        LoginItem item(std::make_unique<XdgAutostart>(config.path(), program));
        const QString path = config.path() + u"/autostart/corvane.desktop"_s;
        test::LogCapture log;

        QVERIFY(!item.isEnabled());
        item.setEnabled(false); // nothing to remove is not a failure
        item.setEnabled(true);
        QVERIFY(item.isEnabled());
        const QByteArray entry = readAll(path);
        QVERIFY(entry.startsWith("[Desktop Entry]\n"));
        QVERIFY(entry.contains("\nExec=\"/opt/My Apps/corvane\"\n"));
        QVERIFY(entry.contains("\nType=Application\n"));
        // Switching on while on writes the entry afresh.
        writeFile(path, "[Desktop Entry]\nExec=/old/corvane\n");
        item.setEnabled(true);
        QCOMPARE(readAll(path), entry);

        item.setEnabled(false);
        QVERIFY(!QFile::exists(path));
        QVERIFY(!item.isEnabled());
        QVERIFY(log.lines().isEmpty());

        // An entry hidden with the exact word true (in its own group) counts as off until it
        // is written afresh.
        writeFile(path, "[Desktop Entry]\nExec=corvane\nHidden = true\n[Other]\nHidden=false\n");
        QVERIFY(!item.isEnabled());
        writeFile(path, "[Desktop Entry]\nExec=corvane\nHidden=True\n");
        QVERIFY(item.isEnabled());
        writeFile(path, "[Desktop Entry]\nExec=corvane\nHidden=true\n");
        item.setEnabled(true);
        QVERIFY(item.isEnabled());
        QCOMPARE(readAll(path), entry);
    }

    void blockedFolderLogsAndChangesNothing()
    {
        QTemporaryDir config;
        // A plain file where the folder should be stops even root, unlike a read-only folder.
        writeFile(config.path() + u"/autostart"_s, "not a folder");
        LoginItem blocked(std::make_unique<XdgAutostart>(config.path(), u"/bin/x"_s));
        test::LogCapture log;
        const LoginItemChange refused = blocked.setEnabled(true);
        QVERIFY(!refused.enabled && !blocked.isEnabled());
        QVERIFY(refused.error &&
                refused.error->startsWith(u"Could not turn on launch at startup: "_s));
        QCOMPARE(log.lines().size(), 1);
        QVERIFY2(log.lines().first().startsWith(u"Failed to enable launch at login: "_s),
                 qPrintable(log.lines().first()));

        // An entry that cannot be removed stays in place and on.
        QTemporaryDir other;
        const QString path = other.path() + u"/autostart/corvane.desktop"_s;
        QVERIFY(QDir().mkpath(path + u"/inside"_s));
        LoginItem stuck(std::make_unique<XdgAutostart>(other.path(), u"/bin/x"_s));
        log.clear();
        QVERIFY(stuck.setEnabled(false).error);
        QVERIFY(QFileInfo(path).isDir());
        QCOMPARE(log.lines().size(), 1);
        QVERIFY(log.lines().first().startsWith(u"Failed to disable launch at login: "_s));
    }

    // Switching on while on must not take the working entry away when the new one cannot be
    // written: it is replaced, never removed first.
    void switchingOnAgainKeepsTheEntryWhenTheWriteFails()
    {
        struct Refusing final : LoginService {
            bool isRegistered() const override { return registered; }
            std::optional<QString> registerApp() override
            {
                calls << u"register"_s;
                return u"disk full"_s;
            }
            std::optional<QString> unregisterApp() override
            {
                calls << u"unregister"_s;
                registered = false;
                return std::nullopt;
            }
            bool registered = true;
            QStringList& calls;
            explicit Refusing(QStringList& c)
                : calls(c)
            {}
        };
        QStringList calls;
        LoginItem item(std::make_unique<Refusing>(calls));
        test::LogCapture log;
        const LoginItemChange change = item.setEnabled(true);
        QCOMPARE(calls, QStringList{u"register"_s});
        QVERIFY(change.enabled);
        QCOMPARE(change.error,
                 std::optional<QString>(u"Could not turn on launch at startup: disk full."_s));
    }

    void execValueSurvivesAwkwardPaths()
    {
        QCOMPARE(desktopExecValue(u"/usr/bin/corvane"_s), u"/usr/bin/corvane"_s);
        QCOMPARE(desktopExecValue(u"/home/a/100%/corvane"_s), u"/home/a/100%%/corvane"_s);
        // Quoted for the Exec rules, then every backslash doubled for the string rules.
        QCOMPARE(desktopExecValue(u"/tmp/$HOME \"x\"/c"_s),
                 u"\"/tmp/\\\\$HOME \\\\\"x\\\\\"/c\""_s);
        XdgAutostart broken(QDir::tempPath(), u"/tmp/a\nExec=evil"_s);
        QVERIFY(broken.registerApp().has_value());
    }
};

CORVANE_TEST(LoginItemTest)
#include "test_loginitem.moc"
