#include "cli/convertcommand.h"

#include "cli/console.h"
#include "cli/conversionjob.h"
#include "cli/profilechoice.h"
#include "cli/progressprinter.h"
#include "tarncore/convert/convertmanager.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/settings/settingsmanager.h"

#include <QDir>
#include <QFileInfo>

namespace Tarn {

namespace {

SettingsManager *settings()
{
    return AppContext::instance()->getSettingsManager();
}

} // namespace

ConvertCommand::ConvertCommand(QObject *parent)
    : CliCommand(parent)
    , profileOption({QStringLiteral("p"), QStringLiteral("profile")},
                    tr("The preset profile to convert to ('marlin-cli profiles' lists them), or \"quick\" for the "
                       "quick-convert profile of the settings."),
                    QStringLiteral("name"))
    , outputOption({QStringLiteral("o"), QStringLiteral("output")},
                   tr("The folder of the results, instead of the one in the settings."), QStringLiteral("folder"))
    , jobsOption({QStringLiteral("j"), QStringLiteral("jobs")},
                 tr("How many conversions run at the same time, instead of the limit in the settings."),
                 QStringLiteral("n"))
    , quietOption({QStringLiteral("q"), QStringLiteral("quiet")},
                  tr("Shows no progress; prints only the paths of the results and the errors."))
{
}

ConvertCommand::~ConvertCommand() = default;

QString ConvertCommand::name() const
{
    return QStringLiteral("convert");
}

QString ConvertCommand::summary() const
{
    return tr("Converts local media files with a preset profile");
}

QString ConvertCommand::synopsis() const
{
    return tr("--profile NAME [options] FILE...");
}

QString ConvertCommand::description() const
{
    return tr("Converts each file with ffmpeg to the profile's format, codecs, size and bit rates. A result is "
              "named after its source and profile, in the convert folder of your settings or the folder given "
              "with --output; an existing file is never overwritten. Ctrl-C cancels every conversion and removes "
              "its unfinished result.");
}

void ConvertCommand::addOptions(QCommandLineParser &parser) const
{
    parser.addOptions({profileOption, outputOption, jobsOption, quietOption});
    parser.addPositionalArgument(QStringLiteral("FILE"), tr("A local media file."), tr("FILE..."));
}

bool ConvertCommand::prepare(const QCommandLineParser &parser, QString *error)
{
    quiet = parser.isSet(quietOption);
    if (!parser.isSet(profileOption)) {
        *error = tr("convert needs --profile NAME ('marlin-cli profiles' lists them)");
        return false;
    }
    QString profileError;
    profile = ProfileChoice::find(parser.value(profileOption), &profileError);
    if (!profile.isValid()) {
        *error = profileError;
        return false;
    }

    const QStringList files = parser.positionalArguments();
    if (files.isEmpty()) {
        *error = tr("convert needs at least one file");
        return false;
    }
    for (const QString &file : files) {
        const QFileInfo info(file);
        if (!info.exists()) {
            *error = tr("no such file: %1").arg(file);
            return false;
        }
        if (!info.isFile() || !info.isReadable()) {
            *error = tr("not a readable file: %1").arg(file);
            return false;
        }
    }

    if (parser.isSet(jobsOption)) {
        bool ok = false;
        const int n = parser.value(jobsOption).toInt(&ok);
        if (!ok || n < 1) {
            *error = tr("--jobs wants a number of 1 or more, not \"%1\"").arg(parser.value(jobsOption));
            return false;
        }
        AppContext::instance()->getConvertManager()->setMaxConvertSimulaneous(n);
    }

    QString folder;
    if (parser.isSet(outputOption)) {
        if (!prepareFolder(parser.value(outputOption), &folder, error))
            return false;
        settings()->setConvertDestDir(folder);
        settings()->setConvertSaveMode(ConvertSaveInConvertDir);
    } else {
        const QString configured = settings()->getConvertSaveMode() == ConvertSaveInDownloadDir
            ? settings()->getDownloadDestDir()
            : settings()->getConvertDestDir();
        if (!prepareFolder(configured, &folder, error))
            return false;
    }

    // Every source is read before anything starts: one that is no media
    // file refuses the whole run.
    ConvertManager *manager = AppContext::instance()->getConvertManager();
    for (const QString &file : files) {
        Source source;
        source.file = QFileInfo(file).absoluteFilePath();
        source.info = manager->getMeidaInfo(source.file, false);
        if (!source.info.isValid()) {
            *error = tr("not a media file that can be converted: %1").arg(file);
            return false;
        }
        sources.append(source);
    }
    return true;
}

void ConvertCommand::start()
{
    printer = new ProgressPrinter(ProgressPrinter::modeFor(quiet), this);
    for (const Source &source : qAsConst(sources)) {
        auto *job = new ConversionJob(source.file, source.info, profile, this);
        const int index = jobs.size();
        jobs.append(job);
        rows.append(printer->addRow(QFileInfo(source.file).fileName()));
        connect(job, &ConversionJob::changed, this, [this, index] { jobChanged(index); });
        connect(job, &ConversionJob::ended, this, &ConvertCommand::jobEnded);
    }
    for (ConversionJob *job : qAsConst(jobs))
        job->start();
}

void ConvertCommand::cancel(int signalNumber)
{
    if (interruptedBy != 0)
        return;
    interruptedBy = signalNumber;
    printer->message(tr("Cancelling…"));
    for (ConversionJob *job : qAsConst(jobs))
        job->cancel();
    jobEnded();
}

void ConvertCommand::jobChanged(int index)
{
    ConversionJob *job = jobs.at(index);
    const int row = rows.at(index);
    switch (job->state()) {
    case ConversionJob::Finished:
        printer->setDone(row, tr("done"));
        break;
    case ConversionJob::Failed:
        printer->setDone(row, tr("failed: %1").arg(job->reason()));
        break;
    case ConversionJob::Cancelled:
        printer->setDone(row, tr("cancelled"));
        break;
    default:
        printer->setPhase(row, job->stateText());
        printer->setProgress(row, job->progress(), false);
        break;
    }
}

void ConvertCommand::jobEnded()
{
    if (hasFinished())
        return;
    for (const ConversionJob *job : qAsConst(jobs)) {
        if (!job->isEnded())
            return;
    }
    printer->stop();
    report();
}

void ConvertCommand::report()
{
    int failed = 0;
    for (const ConversionJob *job : qAsConst(jobs)) {
        switch (job->state()) {
        case ConversionJob::Finished:
            if (quiet)
                Console::out(job->resultFile() + QLatin1Char('\n'));
            else
                Console::out(tr("Done: %1\n  converted: %2\n").arg(job->source(), job->resultFile()));
            break;
        case ConversionJob::Failed:
            ++failed;
            Console::error(tr("failed: %1: %2").arg(job->source(), job->reason()));
            break;
        case ConversionJob::Cancelled:
            Console::error(tr("cancelled: %1").arg(job->source()));
            break;
        default:
            break;
        }
    }
    if (interruptedBy != 0) {
        finish(ExitSignalBase + interruptedBy);
        return;
    }
    if (failed > 0 && jobs.size() > 1)
        Console::error(tr("%1 of %2 conversions failed").arg(failed).arg(jobs.size()));
    finish(failed > 0 ? ExitJobFailed : ExitSuccess);
}

} // namespace Tarn
