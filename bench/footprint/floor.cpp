// The toolkit's floor for the footprint benchmark: the least a Qt Widgets program needs to
// put an icon in the status area, with nothing of Corvane in it.
#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QPixmap picture(22, 22);
    picture.fill(Qt::transparent);
    QPainter(&picture).fillRect(4, 4, 14, 14, Qt::darkCyan);
    QSystemTrayIcon tray{QIcon(picture)};
    tray.show();
    return QApplication::exec();
}
