#include "commandline.h"

#include "app/statusclient.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonDocument>
#include <QTextStream>
#include <memory>

namespace corvane {

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
    parser.addOptions({status, json, follow});

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
    } else if ((parser.isSet(json) || parser.isSet(follow)) && !parser.isSet(status)) {
        command.action = CommandLine::Action::invalid;
        command.text = QStringLiteral("--json and --follow go with --status.");
    } else if (parser.isSet(status)) {
        command.action = CommandLine::Action::status;
        command.json = parser.isSet(json);
        command.follow = parser.isSet(follow);
    }
    return command;
}

int runStatusCommand(const CommandLine& command, QTextStream& out, QTextStream& err)
{
    StatusClient client(QDBusConnection::sessionBus());
    if (command.follow) {
        // Panel bars restart a module that exits, so following outlives the instance and
        // reports its absence as a line of its own.
        client.follow([&out](const QString& line) {
            out << line << '\n';
            out.flush();
        });
        return QCoreApplication::exec();
    }
    QString error;
    const std::optional<StatusSnapshot> status = client.read(&error);
    if (!status) {
        err << error << '\n';
        return 1;
    }
    if (command.json)
        out << QString::fromUtf8(QJsonDocument(statusJson(*status)).toJson(QJsonDocument::Compact));
    else
        out << statusText(*status);
    out << '\n';
    return 0;
}

std::optional<int> runCommandLine(int& argc, char** argv, const QString& version)
{
    if (argc <= 1)
        return std::nullopt;
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
        return std::nullopt;
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
