#include "commandline.h"

#include "app/statusclient.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonDocument>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTextStream>
#include <algorithm>
#include <memory>

namespace corvane {

namespace {

const QStringList formatNames = {QStringLiteral("text"), QStringLiteral("json"),
                                 QStringLiteral("waybar"), QStringLiteral("genmon")};

// This program, as a command line the Generic Monitor plugin can parse.
QString selfCommand()
{
    const QString path = QCoreApplication::applicationFilePath();
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./+-]+$"));
    if (path.isEmpty())
        return QStringLiteral("corvane");
    if (plain.match(path).hasMatch())
        return path;
    return u'\'' + QString(path).replace(u'\'', QStringLiteral("'\\''")) + u'\'';
}

QString panelLine(const std::optional<StatusSnapshot>& status)
{
    return QString::fromUtf8(QJsonDocument(panelJson(status)).toJson(QJsonDocument::Compact));
}

// Without a display Qt would abort with a core dump; the user gets a sentence instead.
std::optional<int> startsApp()
{
    if (hasGraphicalSession(QProcessEnvironment::systemEnvironment()))
        return std::nullopt;
    QTextStream(stderr) << "Corvane needs a graphical session (no display found).\n";
    return 1;
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments, const QString& version)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Day P&L of your Orrisfield trading bots in the panel."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption status(
        QStringLiteral("status"),
        QStringLiteral("Print the labels of the running instance as the tray shows them."));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("With --status: print one JSON object."));
    const QCommandLineOption follow(
        QStringLiteral("follow"),
        QStringLiteral("With --status: print one JSON line for panel bars at every change."));
    const QCommandLineOption format(
        QStringLiteral("format"),
        QStringLiteral("With --status: text, json, waybar (one line of --follow) or genmon "
                       "(Xfce's Generic Monitor)."),
        QStringLiteral("format"));
    parser.addOptions({status, json, follow, format});

    CommandLine command;
    if (!parser.parse(arguments)) {
        command.action = CommandLine::Action::invalid;
        command.text = parser.errorText();
    } else if (parser.isSet(help)) {
        command.action = CommandLine::Action::help;
        command.text = parser.helpText();
    } else if (parser.isSet(versionOption)) {
        command.action = CommandLine::Action::version;
        command.text = QStringLiteral("corvane ") + version + u'\n';
    } else if (!parser.positionalArguments().isEmpty()) {
        command.action = CommandLine::Action::invalid;
        command.text =
            QStringLiteral("Unexpected argument: ") + parser.positionalArguments().first();
    } else if ((parser.isSet(json) || parser.isSet(follow) || parser.isSet(format)) &&
               !parser.isSet(status)) {
        command.action = CommandLine::Action::invalid;
        command.text = QStringLiteral("--json, --follow and --format go with --status.");
    } else if (parser.isSet(status)) {
        const QString name = parser.isSet(format)   ? parser.value(format)
                             : parser.isSet(json)   ? QStringLiteral("json")
                             : parser.isSet(follow) ? QStringLiteral("waybar")
                                                    : QStringLiteral("text");
        command.action = CommandLine::Action::status;
        command.format = static_cast<CommandLine::Format>(formatNames.indexOf(name));
        command.follow = parser.isSet(follow);
        if (!formatNames.contains(name)) {
            command.action = CommandLine::Action::invalid;
            command.text =
                QStringLiteral("Unknown format: %1 (text, json, waybar or genmon).").arg(name);
        } else if (parser.isSet(json) && name != QStringLiteral("json")) {
            command.action = CommandLine::Action::invalid;
            command.text = QStringLiteral("--json is --format json; give one of them.");
        } else if (command.follow && command.format != CommandLine::Format::waybar) {
            // The plugin runs the command again itself; the other formats are read once.
            command.action = CommandLine::Action::invalid;
            command.text = QStringLiteral("--follow prints waybar lines only.");
        }
    }
    return command;
}

int runStatusCommand(const CommandLine& command, QTextStream& out, QTextStream& err)
{
    StatusClient client(QDBusConnection::sessionBus());
    if (command.follow) {
        // Panel bars restart a module that exits, so following outlives the instance and
        // reports its absence as a line of its own. It does not outlive its reader: a bar that
        // ignores SIGPIPE passes that on, and then only the failed write tells it is gone.
        client.follow([&out](const QString& line) {
            out << line << '\n';
            out.flush();
            if (out.status() != QTextStream::Ok)
                QCoreApplication::exit(1);
        });
        return QCoreApplication::exec();
    }
    QString error;
    const std::optional<StatusSnapshot> status = client.read(&error);
    switch (command.format) {
    case CommandLine::Format::waybar:
        // Panel formats show the absence in the panel, which ignores what goes to stderr.
        out << panelLine(status) << '\n';
        return status ? 0 : 1;
    case CommandLine::Format::genmon:
        out << genmonText(status, selfCommand()) << '\n';
        return status ? 0 : 1;
    case CommandLine::Format::text:
    case CommandLine::Format::json:
        break;
    }
    if (!status) {
        err << error << '\n';
        return 1;
    }
    if (command.format == CommandLine::Format::json)
        out << QString::fromUtf8(QJsonDocument(statusJson(*status)).toJson(QJsonDocument::Compact));
    else
        out << statusText(*status);
    out << '\n';
    return 0;
}

bool hasGraphicalSession(const QProcessEnvironment& environment)
{
    if (!environment.value(QStringLiteral("DISPLAY")).isEmpty() ||
        !environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty())
        return true;
    // Qt tries a list of platforms in turn; one that needs no display is enough.
    static const QStringList displayless = {
        QStringLiteral("offscreen"),   QStringLiteral("minimal"), QStringLiteral("minimalegl"),
        QStringLiteral("linuxfb"),     QStringLiteral("eglfs"),   QStringLiteral("vnc"),
        QStringLiteral("vkkhrdisplay")};
    const QStringList platforms =
        environment.value(QStringLiteral("QT_QPA_PLATFORM")).split(u';', Qt::SkipEmptyParts);
    return std::any_of(platforms.cbegin(), platforms.cend(), [](const QString& platform) {
        // "vnc:size=800x600" and the like carry options after the name.
        return displayless.contains(platform.section(u':', 0, 0).trimmed());
    });
}

std::optional<int> runCommandLine(int& argc, char** argv, const QString& version)
{
    if (argc <= 1)
        return startsApp();
    // The parser's help names the program from the application's arguments, and the status
    // client needs an event loop; neither needs a display.
    std::unique_ptr<QCoreApplication> app;
    if (!QCoreApplication::instance())
        app = std::make_unique<QCoreApplication>(argc, argv);
    const CommandLine command = parseCommandLine(QCoreApplication::arguments(), version);
    QTextStream out(stdout);
    QTextStream err(stderr);
    switch (command.action) {
    case CommandLine::Action::runApp:
        return startsApp();
    case CommandLine::Action::help:
    case CommandLine::Action::version:
        out << command.text;
        return 0;
    case CommandLine::Action::invalid:
        err << command.text << '\n' << QStringLiteral("Try corvane --help.") << '\n';
        return 2;
    case CommandLine::Action::status:
        break;
    }
    return runStatusCommand(command, out, err);
}

} // namespace corvane
