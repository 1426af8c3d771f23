#include "app/loginitem.h"
#include "support/logcapture.h"
#include "support/testregistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

using namespace corvane;

namespace {

// Records the calls the login item makes and fails the ones it is told to.
class FakeLoginService final : public LoginService {
public:
    bool isRegistered() const override { return registered; }
    std::optional<QString> registerApp() override
    {
        calls << QStringLiteral("register");
        if (failure)
            return failure;
        registered = true;
        return std::nullopt;
    }
    std::optional<QString> unregisterApp() override
    {
        calls << QStringLiteral("unregister");
        if (failure)
            return failure;
        registered = false;
        return std::nullopt;
    }

    bool registered = false;
    std::optional<QString> failure;
    QStringList calls;
};

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
        const QString program = QStringLiteral("/opt/My Apps/corvane");
        LoginItem item(std::make_unique<XdgAutostart>(config.path(), program));
        const QString path = config.path() + QStringLiteral("/autostart/corvane.desktop");
        test::LogCapture log;

        QVERIFY(!item.isEnabled());
        item.setEnabled(false); // nothing to remove is not a failure
        item.setEnabled(true);
        QVERIFY(item.isEnabled());
        const QByteArray entry = readAll(path);
        QVERIFY(entry.startsWith("[Desktop Entry]\n"));
        QVERIFY(entry.contains("\nExec=\"/opt/My Apps/corvane\"\n"));
        QVERIFY(entry.contains("\nType=Application\n"));

        item.setEnabled(false);
        QVERIFY(!QFile::exists(path));
        QVERIFY(!item.isEnabled());
        QVERIFY(log.lines().isEmpty());
    }

    void hiddenEntryCountsAsOffUntilRegistered()
    {
        QTemporaryDir config;
        const QString path = config.path() + QStringLiteral("/autostart/corvane.desktop");
        writeFile(path, "[Desktop Entry]\nExec=corvane\nHidden = true\n[Other]\nHidden=false\n");
        XdgAutostart autostart(config.path(), QStringLiteral("/usr/bin/corvane"));
        QVERIFY(!autostart.isRegistered());

        writeFile(path, "[Desktop Entry]\nExec=corvane\nHidden=True\n");
        QVERIFY2(autostart.isRegistered(), "only the exact word true hides an entry");

        writeFile(path, "[Desktop Entry]\nExec=corvane\nHidden=true\n");
        QVERIFY(!autostart.registerApp());
        QVERIFY(autostart.isRegistered());
        QVERIFY(readAll(path).contains("\nExec=/usr/bin/corvane\n"));
    }

    void blockedFolderLogsAndChangesNothing()
    {
        QTemporaryDir config;
        // A plain file where the folder should be stops even root, unlike permissions.
        writeFile(config.path() + QStringLiteral("/autostart"), "not a folder");
        LoginItem blocked(std::make_unique<XdgAutostart>(config.path(), QStringLiteral("/bin/x")));
        test::LogCapture log;
        blocked.setEnabled(true);
        QVERIFY(!blocked.isEnabled());
        QCOMPARE(log.lines().size(), 1);
        QVERIFY2(
            log.lines().first().startsWith(QStringLiteral("Failed to enable launch at login: ")),
            qPrintable(log.lines().first()));

        // An entry that cannot be removed stays in place and on.
        QTemporaryDir other;
        const QString path = other.path() + QStringLiteral("/autostart/corvane.desktop");
        QVERIFY(QDir().mkpath(path + QStringLiteral("/inside")));
        LoginItem stuck(std::make_unique<XdgAutostart>(other.path(), QStringLiteral("/bin/x")));
        log.clear();
        stuck.setEnabled(false);
        QVERIFY(QFileInfo(path).isDir());
        QCOMPARE(log.lines().size(), 1);
        QVERIFY(
            log.lines().first().startsWith(QStringLiteral("Failed to disable launch at login: ")));
    }

    void readOnlyFolderLogsTheFailure()
    {
        if (::geteuid() == 0)
            QSKIP("root writes into read-only folders; the blocked-folder case covers root");
        QTemporaryDir config;
        const QString folder = config.path() + QStringLiteral("/autostart");
        QVERIFY(QDir().mkpath(folder));
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        LoginItem item(std::make_unique<XdgAutostart>(config.path(), QStringLiteral("/bin/x")));
        test::LogCapture log;
        item.setEnabled(true);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(!item.isEnabled());
        QCOMPARE(log.lines().size(), 1);
        QVERIFY(
            log.lines().first().startsWith(QStringLiteral("Failed to enable launch at login: ")));
    }

    void switchingOnWhileOnRegistersAfresh()
    {
        auto service = std::make_unique<FakeLoginService>();
        FakeLoginService& fake = *service;
        LoginItem item(std::move(service));
        item.setEnabled(true);
        item.setEnabled(true);
        item.setEnabled(false);
        QCOMPARE(fake.calls,
                 (QStringList{QStringLiteral("register"), QStringLiteral("unregister"),
                              QStringLiteral("register"), QStringLiteral("unregister")}));

        fake.failure = QStringLiteral("denied");
        test::LogCapture log;
        item.setEnabled(false);
        item.setEnabled(true);
        QCOMPARE(log.lines(),
                 (QStringList{QStringLiteral("Failed to disable launch at login: denied"),
                              QStringLiteral("Failed to enable launch at login: denied")}));
    }

    void execValueSurvivesAwkwardPaths()
    {
        QCOMPARE(desktopExecValue(QStringLiteral("/usr/bin/corvane")),
                 QStringLiteral("/usr/bin/corvane"));
        QCOMPARE(desktopExecValue(QStringLiteral("/home/a/100%/corvane")),
                 QStringLiteral("/home/a/100%%/corvane"));
        // Quoted for the Exec rules, then every backslash doubled for the string rules.
        QCOMPARE(desktopExecValue(QStringLiteral("/tmp/$HOME \"x\"/c")),
                 QStringLiteral("\"/tmp/\\\\$HOME \\\\\"x\\\\\"/c\""));
        XdgAutostart broken(QDir::tempPath(), QStringLiteral("/tmp/a\nExec=evil"));
        QVERIFY(broken.registerApp().has_value());
    }
};

CORVANE_TEST(LoginItemTest)
#include "test_loginitem.moc"
