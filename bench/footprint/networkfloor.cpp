// The floor of a networked tray label, for the footprint benchmark: the bare tray program plus
// the two things any program in Corvane's place must do. It draws a line of text into its
// icon, and it makes one HTTPS request of the platform API, trusting the extra roots the way
// Corvane does. Nothing of Corvane is in it.
//
// Built as bench_footprint_history_floor (MENU_AND_HISTORY) it also does what a status item
// with a day's curve must: its item has a context menu, and it keeps an SQLite file open
// through Qt SQL's driver, a row written and read back.
#include <QApplication>
#include <QIcon>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPainter>
#include <QPixmap>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSystemTrayIcon>
#include <QUrl>

#ifdef MENU_AND_HISTORY
#include <QMenu>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#endif

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QPixmap picture(96, 22);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.fillRect(4, 4, 14, 14, Qt::darkCyan);
    painter.drawText(picture.rect(), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("$1,234"));
    painter.end();
    QSystemTrayIcon tray{QIcon(picture)};
#ifdef MENU_AND_HISTORY
    QMenu menu;
    menu.addAction(QStringLiteral("Quit"), &app, &QCoreApplication::quit);
    tray.setContextMenu(&menu);
#endif
    tray.show();

#ifdef MENU_AND_HISTORY
    QTemporaryDir folder;
    QSqlDatabase history = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    {
        history.setDatabaseName(folder.filePath(QStringLiteral("history.sqlite")));
        history.open();
        QSqlQuery query(history);
        query.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        query.exec(QStringLiteral("CREATE TABLE samples (day TEXT, total REAL)"));
        query.exec(QStringLiteral("INSERT INTO samples VALUES ('2026-12-07', 12.5)"));
        query.exec(QStringLiteral("SELECT total FROM samples"));
        query.next();
    }
#endif

    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.addCaCertificates(
        QSslCertificate::fromPath(qEnvironmentVariable("CORVANE_EXTRA_CA_FILE")));
    QSslConfiguration::setDefaultConfiguration(config);
    QNetworkAccessManager manager;
    QNetworkReply* reply =
        manager.get(QNetworkRequest(QUrl(qEnvironmentVariable("CORVANE_PLATFORM_API_URL"))));
    QObject::connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
    return QApplication::exec();
}
