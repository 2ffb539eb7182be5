#include "cli/cliapplication.h"
#include "shared/kellog.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QTranslator>

namespace {

QtMessageHandler defaultHandler = nullptr;

// Qt's debug and info messages of the libraries are traces: they go to the
// diagnostic log, not between the program's own lines.
void routeMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtDebugMsg || type == QtInfoMsg) {
        Kel::Log::writeLog(type == QtDebugMsg ? Kel::Log::Debug : Kel::Log::Info, "", "qt",
                           context.function ? context.function : "", context.line, "%s", qUtf8Printable(message));
        return;
    }
    defaultHandler(type, context, message);
}

} // namespace

int main(int argc, char *argv[])
{
    // Before the libraries write their first log record.
    Tarn::CliApplication::prepareEnvironment();

    defaultHandler = qInstallMessageHandler(routeMessage);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("marlin-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(MARLIN_VERSION));

    QTranslator translator;
    if (translator.load(QLocale(), QStringLiteral("marlin"), QStringLiteral("_"),
                        QCoreApplication::applicationDirPath() + QStringLiteral("/translations")))
        QCoreApplication::installTranslator(&translator);

    Tarn::CliApplication cli;
    return cli.run(QCoreApplication::arguments());
}
