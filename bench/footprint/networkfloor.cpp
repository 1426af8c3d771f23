// The floor of a networked tray label, for the footprint benchmark: the bare tray program plus
// the two things any program in Corvane's place must do. It draws a line of text into its
// icon, and it makes one HTTPS request of the platform API, trusting the extra roots the way
// Corvane does. Nothing of Corvane is in it.
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
    tray.show();

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
