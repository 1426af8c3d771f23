#include "desktop/privatebus.h"
#include "shell/appearancewatcher.h"
#include "support/testregistry.h"

#include <QSaveFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace corvane;
using namespace Qt::StringLiterals;

namespace {

// -1 no word, 0 light, 1 dark.
int word(std::optional<bool> dark)
{
    return dark ? int(*dark) : -1;
}

bool writeFile(const QString& path, const QByteArray& text)
{
    QSaveFile file(path); // a new file renamed over the old, as KDE writes it
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit();
}

} // namespace

// Without the desktop portal, the desktop's own setting tells light from dark.
class AppearanceTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void desktopSettingsTellTheScheme_data()
    {
        QTest::addColumn<QByteArray>("kdeglobals");
        QTest::addColumn<int>("expected");
        QTest::newRow("dark window background")
            << "[General]\nColorScheme=Custom\n[Colors:Window]\nBackgroundNormal=49,54,59\n"_ba
            << 1;
        QTest::newRow("the background beats the name")
            << "[General]\nColorScheme=BreezeDark\n\n[Colors:Window]\nBackgroundNormal=239,240,"
               "241\n"_ba
            << 0;
        QTest::newRow("dark by name") << "[General]\nColorScheme=BreezeDark\n"_ba << 1;
        QTest::newRow("light by name") << "[General]\nColorScheme=BreezeClassic\n"_ba << 0;
        QTest::newRow("a window group elsewhere")
            << "[Colors:View]\nBackgroundNormal=20,20,20\n[KDE]\nSingleClick=false\n"_ba << -1;
    }
    void desktopSettingsTellTheScheme()
    {
        QFETCH(QByteArray, kdeglobals);
        QFETCH(int, expected);
        QTemporaryDir folder;
        const QString path = folder.filePath(u"kdeglobals"_s);
        QVERIFY(writeFile(path, kdeglobals));
        QCOMPARE(word(AppearanceWatcher::darkFromKdeGlobals(path)), expected);
        QCOMPARE(word(AppearanceWatcher::darkFromKdeGlobals(folder.filePath(u"none"_s))), -1);

        QCOMPARE(word(AppearanceWatcher::darkFromGnomeColorScheme(u"'prefer-dark'\n"_s)), 1);
        QCOMPARE(word(AppearanceWatcher::darkFromGnomeColorScheme(u"'prefer-light'\n"_s)), 0);
        QCOMPARE(word(AppearanceWatcher::darkFromGnomeColorScheme(u"'default'\n"_s)), -1);
    }

    // KDE without a portal: the scheme is read at start and followed as the user changes it.
    void followsKdeWithoutAPortal()
    {
        test::PrivateBus bus;
        QVERIFY(bus.isUp());
        QTemporaryDir config;
        const QString path = config.filePath(u"kdeglobals"_s);
        QVERIFY(writeFile(path, "[General]\nColorScheme=BreezeDark\n"_ba));
        const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        AppearanceWatcher watcher(bus.connect(u"appearance"_s));
        qputenv("XDG_CONFIG_HOME", saved);
        QVERIFY(watcher.isDark());
        QSignalSpy changes(&watcher, &AppearanceWatcher::darkChanged);
        QVERIFY(writeFile(path, "[General]\nColorScheme=BreezeLight\n"_ba));
        QTRY_COMPARE(changes.size(), 1);
        QCOMPARE(changes.at(0).at(0).toBool(), false);
        QVERIFY(writeFile(path, "[General]\nColorScheme=BreezeDark\n"_ba));
        QTRY_COMPARE(changes.size(), 2);
    }
};

CORVANE_TEST(AppearanceTest)
#include "test_appearance.moc"
