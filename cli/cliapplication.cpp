#include "cli/cliapplication.h"

#include "cli/console.h"
#include "cli/convertcommand.h"
#include "cli/coresession.h"
#include "cli/downloadcommand.h"
#include "cli/infocommand.h"
#include "cli/profilescommand.h"
#include "cli/toolcommand.h"
#include "kelframe/kelsignalwatcher.h"
#include "shared/kellog.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QEventLoop>

namespace Tarn {

CliApplication::CliApplication(QObject *parent)
    : QObject(parent)
{
    commands.emplace_back(std::make_unique<InfoCommand>());
    commands.emplace_back(std::make_unique<DownloadCommand>());
    commands.emplace_back(std::make_unique<ConvertCommand>());
    commands.emplace_back(std::make_unique<ProfilesCommand>());
    commands.emplace_back(std::make_unique<ToolCommand>());
}

CliApplication::~CliApplication() = default;

void CliApplication::prepareEnvironment()
{
    const QByteArray chosen = qgetenv("MARLIN_LOG_OUTPUTS");
    bool ok = false;
    const int outputs = chosen.trimmed().toInt(&ok, 0);
    const int wanted = ok ? outputs & ~int(Kel::Log::ToStandardOutput) : int(Kel::Log::ToFile);
    qputenv("MARLIN_LOG_OUTPUTS", QByteArray::number(wanted));
}

QString CliApplication::helpText() const
{
    QString text = tr("Usage: marlin-cli COMMAND [options] [arguments]\n\n"
                      "Marlin without a window: shows the media information of video pages,\n"
                      "downloads them, and converts downloads and local media files, with the\n"
                      "settings of the Marlin program.\n\n"
                      "Commands:\n");
    int width = 0;
    for (const auto &c : commands)
        width = qMax(width, int(c->name().size()));
    for (const auto &c : commands)
        text += QStringLiteral("  %1  %2\n").arg(c->name().leftJustified(width), c->summary());
    text += tr("\nOptions:\n"
               "  -h, --help     Shows this help; 'marlin-cli COMMAND --help' shows a command's.\n"
               "  -v, --version  Shows the version.\n\n"
               "Exit status: 0 when every job succeeded, 1 when a job failed, 2 when the\n"
               "command line was refused before anything started, 128 plus the signal's\n"
               "number when interrupted (SIGINT, SIGTERM, SIGHUP or SIGQUIT).\n\n"
               "The settings are those of the Marlin program (MARLIN_HOME points them\n"
               "elsewhere); the options of a command change them for one run only. The\n"
               "diagnostic log goes to files in ~/.local/state/Marlin/log (MARLIN_HOME/log\n"
               "when MARLIN_HOME is set).\n");
    return text;
}

CliCommand *CliApplication::command(const QString &name) const
{
    for (const auto &c : commands) {
        if (c->name() == name)
            return c.get();
    }
    return nullptr;
}

int CliApplication::run(const QStringList &arguments)
{
    const QString first = arguments.value(1);
    if (first.isEmpty()) {
        Console::err(helpText());
        return CliCommand::ExitRefused;
    }
    if (first == QLatin1String("-h") || first == QLatin1String("--help") || first == QLatin1String("help")) {
        const QString topic = arguments.value(2);
        if (first == QLatin1String("help") && !topic.isEmpty()) {
            if (CliCommand *c = command(topic)) {
                Console::out(c->helpText());
                return CliCommand::ExitSuccess;
            }
            Console::error(tr("unknown command \"%1\"; 'marlin-cli --help' lists them").arg(topic));
            return CliCommand::ExitRefused;
        }
        Console::out(helpText());
        return CliCommand::ExitSuccess;
    }
    if (first == QLatin1String("-v") || first == QLatin1String("--version")) {
        Console::out(QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(),
                                                   QCoreApplication::applicationVersion()));
        return CliCommand::ExitSuccess;
    }
    CliCommand *c = command(first);
    if (!c) {
        Console::error(tr("unknown command \"%1\"; 'marlin-cli --help' lists them").arg(first));
        return CliCommand::ExitRefused;
    }
    return runCommand(c, arguments);
}

int CliApplication::runCommand(CliCommand *c, const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption helpOption = CliCommand::helpOption();
    parser.addOption(helpOption);
    c->addOptions(parser);
    QStringList commandArguments = arguments;
    // The parser reads the command's name as the program's.
    commandArguments.removeAt(0);
    if (!parser.parse(commandArguments)) {
        Console::error(tr("%1: %2\nTry 'marlin-cli %1 --help'.").arg(c->name(), parser.errorText()));
        return CliCommand::ExitRefused;
    }
    if (parser.isSet(helpOption)) {
        Console::out(c->helpText());
        return CliCommand::ExitSuccess;
    }

    CoreSession session;
    QString error;
    if (c->needsCore() && !session.open(&error)) {
        Console::error(error);
        return CliCommand::ExitRefused;
    }
    if (!c->prepare(parser, &error)) {
        Console::error(error);
        return CliCommand::ExitRefused;
    }

    KelSignalWatcher watcher;
    if (!watcher.install())
        Console::error(tr("cannot watch for Ctrl-C; an interrupted run may leave unfinished files"));
    connect(&watcher, &KelSignalWatcher::signalReceived, c, &CliCommand::cancel);

    QEventLoop loop;
    connect(c, &CliCommand::finished, &loop, &QEventLoop::quit);
    c->start();
    if (!c->hasFinished())
        loop.exec();
    session.close();
    return c->exitCode();
}

} // namespace Tarn
