#include "loginitem.h"

#include "base/log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace corvane {

namespace {

const QString reservedInExec = QStringLiteral(" \t\"'\\><~|&;$*?#()`");

// Reads the main group's Hidden key the way desktop-entry readers do: the last value in
// "[Desktop Entry]" wins, and only the exact word "true" hides.
bool isHiddenEntry(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    bool inMainGroup = false;
    bool hidden = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'[')) {
            inMainGroup = line == QStringLiteral("[Desktop Entry]");
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inMainGroup || equals < 0 || line.left(equals).trimmed() != QStringLiteral("Hidden"))
            continue;
        hidden = line.mid(equals + 1).trimmed() == QStringLiteral("true");
    }
    return hidden;
}

} // namespace

QString desktopExecValue(const QString& program)
{
    bool needsQuotes = program.isEmpty();
    for (const QChar c : program)
        needsQuotes = needsQuotes || reservedInExec.contains(c);
    QString quoted;
    for (const QChar c : program) {
        if (c == u'%')
            quoted += QStringLiteral("%%");
        else if (needsQuotes && (c == u'"' || c == u'`' || c == u'$' || c == u'\\'))
            quoted += QStringLiteral("\\") + c;
        else
            quoted += c;
    }
    if (needsQuotes)
        quoted = u'"' + quoted + u'"';
    // The whole value is also a desktop-entry string, whose own escape is the backslash.
    return quoted.replace(u'\\', QStringLiteral("\\\\"));
}

XdgAutostart::XdgAutostart(QString configFolder, QString executable)
    : m_configFolder(std::move(configFolder))
    , m_executable(std::move(executable))
{
    if (m_configFolder.isEmpty())
        m_configFolder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (m_executable.isEmpty())
        m_executable = QCoreApplication::applicationFilePath();
}

QString XdgAutostart::filePath() const
{
    return m_configFolder + QStringLiteral("/autostart/corvane.desktop");
}

bool XdgAutostart::isRegistered() const
{
    return QFileInfo(filePath()).isFile() && !isHiddenEntry(filePath());
}

std::optional<QString> XdgAutostart::registerApp()
{
    if (m_executable.contains(u'\n') || m_executable.contains(u'\r'))
        return QStringLiteral("the program's path holds a line break");
    const QString folder = QFileInfo(filePath()).absolutePath();
    if (!QDir().mkpath(folder))
        return QStringLiteral("cannot create the folder %1").arg(folder);
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Corvane\n"
                                         "Comment=Day P&L of your trading bots in the panel\n"
                                         "Exec=%1\n"
                                         "Icon=corvane\n"
                                         "Terminal=false\n"
                                         "X-GNOME-Autostart-enabled=true\n")
                              .arg(desktopExecValue(m_executable));
    // Written whole or not at all, so a full disk never leaves a half entry that starts nothing.
    QSaveFile file(filePath());
    if (!file.open(QIODevice::WriteOnly) || file.write(entry.toUtf8()) < 0 || !file.commit())
        return file.errorString();
    return std::nullopt;
}

std::optional<QString> XdgAutostart::unregisterApp()
{
    QFile file(filePath());
    if (!file.exists() || file.remove())
        return std::nullopt;
    return file.errorString();
}

LoginItem::LoginItem(std::unique_ptr<LoginService> service)
    : m_service(std::move(service))
{}

LoginItemChange LoginItem::setEnabled(bool enabled)
{
    const std::optional<QString> failure =
        enabled ? m_service->registerApp() : m_service->unregisterApp();
    LoginItemChange change{m_service->isRegistered(), std::nullopt};
    if (failure) {
        logLine(QStringLiteral("Failed to %1 launch at login: %2")
                    .arg(enabled ? QStringLiteral("enable") : QStringLiteral("disable"), *failure));
        change.error = QStringLiteral("Could not turn %1 launch at startup: %2.")
                           .arg(enabled ? QStringLiteral("on") : QStringLiteral("off"), *failure);
    }
    return change;
}

} // namespace corvane
