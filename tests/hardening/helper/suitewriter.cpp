// Rewrites every key of a suite, round after round, until it is killed. Each round writes its
// generation number into all keys in order, one assignment (and one sync) at a time, so a kill
// leaves the first keys at the new generation and the rest at the one before.
#include "settings/suite.h"

#include <QCoreApplication>
#include <QStringList>

using corvane::Suite;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() != 3)
        return 2;
    Suite suite(arguments[1]);
    const int keys = arguments[2].toInt();
    // The first key holds the round a killed writer was in: finish it before the next one.
    qint64 generation = suite.data(QStringLiteral("key0")).split('\n').first().toLongLong();
    for (;; ++generation) {
        const QString value = QString::number(generation);
        for (int key = 0; key < keys; ++key) {
            const QString name = QStringLiteral("key%1").arg(key);
            // Text, a flag and a blob, so that the file is large enough for a kill to land
            // inside a write.
            if (key % 3 == 0)
                suite.setData(name, value.toUtf8() + '\n' + QByteArray(2048, char('a' + key)));
            else
                suite.setText(name, value);
        }
        suite.setBoolean(QStringLiteral("odd"), generation % 2 == 1);
    }
}
