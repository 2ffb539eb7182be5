#include "cli/downloadcommand.h"

#include "cli/console.h"
#include "cli/profilechoice.h"
#include "cli/progressprinter.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/download/downloadmanager.h"
#include "tarncore/settings/settingsmanager.h"

#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>

namespace Tarn {

namespace {

SettingsManager *settings()
{
    return AppContext::instance()->getSettingsManager();
}

} // namespace

DownloadCommand::DownloadCommand(QObject *parent)
    : CliCommand(parent)
    , qualityOption(QStringLiteral("quality"),
                    tr("\"best\", a resolution (\"720p\", \"1280x720\") or a quality name that 'info' shows. "
                       "The settings choose when it is not given."),
                    QStringLiteral("quality"))
    , formatOption(QStringLiteral("format"),
                   tr("The preferred format: MP4, WEBM, 3GP, or M4A or \"WEBM AUDIO\" for sound only."),
                   QStringLiteral("format"))
    , audioOnlyOption(QStringLiteral("audio-only"), tr("Downloads only the sound when the page offers it apart."))
    , subtitlesOption(QStringLiteral("subtitles"),
                      tr("Which subtitles go into the file: none, all, languages (those of "
                         "--subtitle-languages) or burn."),
                      QStringLiteral("mode"))
    , languagesOption(QStringLiteral("subtitle-languages"),
                      tr("Subtitle languages as codes, separated by commas (\"en,de\"); implies --subtitles "
                         "languages unless another mode is given."),
                      QStringLiteral("codes"))
    , outputOption({QStringLiteral("o"), QStringLiteral("output")},
                   tr("The folder of the results, instead of the one in the settings."), QStringLiteral("folder"))
    , convertOption(QStringLiteral("convert"),
                    tr("Converts each finished download with this preset profile, or with the quick-convert "
                       "profile of the settings for \"quick\"."),
                    QStringLiteral("profile"))
    , keepOption(QStringLiteral("keep-download"),
                 tr("With --convert, also keeps the downloaded file (the settings decide otherwise)."))
    , jobsOption({QStringLiteral("j"), QStringLiteral("jobs")},
                 tr("How many downloads run at the same time, instead of the limit in the settings."),
                 QStringLiteral("n"))
    , allowHostOption(QStringLiteral("allow-host"),
                      tr("Also accepts watch pages \"http://HOST:PORT/watch?v=ID\" of this host, such as a "
                         "local copy of the site (the variable MARLIN_EXTRA_WATCH_HOST does the same)."),
                      QStringLiteral("host:port"))
    , quietOption({QStringLiteral("q"), QStringLiteral("quiet")},
                  tr("Shows no progress; prints only the paths of the results and the errors."))
{
}

DownloadCommand::~DownloadCommand() = default;

QString DownloadCommand::name() const
{
    return QStringLiteral("download");
}

QString DownloadCommand::summary() const
{
    return tr("Downloads video pages, and converts them with --convert");
}

QString DownloadCommand::synopsis() const
{
    return tr("[options] URL...");
}

QString DownloadCommand::description() const
{
    return tr("Downloads each page with the quality, format, subtitles and folder of your settings, or with "
              "the options below, which change them for this run only. Separate video and audio streams and "
              "the chosen subtitles are merged into one file. Several pages download side by side within the "
              "download limit. Ctrl-C cancels every download and removes its unfinished files.");
}

void DownloadCommand::addOptions(QCommandLineParser &parser) const
{
    parser.addOptions({qualityOption, formatOption, audioOnlyOption, subtitlesOption, languagesOption,
                       outputOption, convertOption, keepOption, jobsOption, allowHostOption, quietOption});
    parser.addPositionalArgument(QStringLiteral("URL"), tr("The address of a video page."), tr("URL..."));
}

bool DownloadCommand::prepare(const QCommandLineParser &parser, QString *error)
{
    quiet = parser.isSet(quietOption);
    if (parser.isSet(allowHostOption) && !allowHost(parser.value(allowHostOption), error))
        return false;
    addresses = parser.positionalArguments();
    if (addresses.isEmpty()) {
        *error = tr("download needs the address of at least one video page");
        return false;
    }
    if (!normaliseAddresses(addresses, &urls, error))
        return false;

    if (parser.isSet(qualityOption) && !applyQuality(parser.value(qualityOption), error))
        return false;
    if (parser.isSet(formatOption) && !applyFormat(parser.value(formatOption), error))
        return false;
    request.audioOnly = parser.isSet(audioOnlyOption);
    if (!applySubtitles(parser, error))
        return false;

    if (parser.isSet(convertOption)) {
        QString profileError;
        const QString wanted = parser.value(convertOption);
        const Kel::MediaProfile profile = ProfileChoice::find(wanted, &profileError);
        if (!profile.isValid()) {
            *error = profileError;
            return false;
        }
        if (!ProfileChoice::isQuick(wanted))
            settings()->setLastConvertProfileName(profile.name);
        request.convert = true;
    }
    keepDownload = parser.isSet(keepOption);
    if (keepDownload) {
        if (!request.convert) {
            *error = tr("--keep-download only goes with --convert");
            return false;
        }
        settings()->setRemainDownloadFile(true);
    }

    if (parser.isSet(jobsOption)) {
        bool ok = false;
        const int n = parser.value(jobsOption).toInt(&ok);
        if (!ok || n < 1) {
            *error = tr("--jobs wants a number of 1 or more, not \"%1\"").arg(parser.value(jobsOption));
            return false;
        }
        AppContext::instance()->getDownloadManager()->setMaxDownloadSimulaneous(n);
    }

    QString folder;
    if (parser.isSet(outputOption)) {
        if (!prepareFolder(parser.value(outputOption), &folder, error))
            return false;
        settings()->setDownloadDestDir(folder);
        if (request.convert) {
            settings()->setConvertDestDir(folder);
            settings()->setConvertSaveMode(ConvertSaveInConvertDir);
        }
    } else {
        if (!prepareFolder(settings()->getDownloadDestDir(), &folder, error))
            return false;
        if (request.convert && settings()->getConvertSaveMode() == ConvertSaveInConvertDir
            && !prepareFolder(settings()->getConvertDestDir(), &folder, error))
            return false;
    }
    return true;
}

bool DownloadCommand::applyQuality(const QString &quality, QString *error)
{
    const QString text = quality.trimmed();
    static const QRegularExpression lines(QStringLiteral("^(\\d{2,5})p$"),
                                          QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression frame(QStringLiteral("^(\\d{2,5})x(\\d{2,5})$"),
                                          QRegularExpression::CaseInsensitiveOption);
    if (text.isEmpty()) {
        *error = tr("--quality wants \"best\", a resolution or a quality name");
        return false;
    }
    if (text.compare(QLatin1String("best"), Qt::CaseInsensitive) == 0) {
        settings()->setPreferredQuality(PreferredQualityBest);
        return true;
    }
    QSize size;
    QRegularExpressionMatch match = lines.match(text);
    if (match.hasMatch()) {
        const int height = match.captured(1).toInt();
        size = QSize(height * 16 / 9, height);
    } else if ((match = frame.match(text)).hasMatch()) {
        size = QSize(match.captured(1).toInt(), match.captured(2).toInt());
    }
    if (size.isValid() && size.width() > 0 && size.height() > 0) {
        settings()->setPreferredQuality(PreferredQualityResolution);
        settings()->setPreferredQualityResolution(size);
        return true;
    }
    // A name of one of the page's qualities, looked up once the page is known.
    request.qualityName = text;
    return true;
}

bool DownloadCommand::applyFormat(const QString &format, QString *error)
{
    const QList<QString> &formats = settings()->getMediaInfoDict().getWebMediaFormatSupport().getFormats();
    for (const QString &known : formats) {
        if (known.compare(format.trimmed(), Qt::CaseInsensitive) == 0) {
            settings()->setPreferredQualityFormat(known);
            return true;
        }
    }
    *error = tr("unknown format \"%1\"; the formats are %2").arg(format, QStringList(formats).join(QLatin1String(", ")));
    return false;
}

bool DownloadCommand::applySubtitles(const QCommandLineParser &parser, QString *error)
{
    QList<QLocale::Language> languages;
    if (parser.isSet(languagesOption)) {
        const QStringList codes = parser.value(languagesOption).split(QLatin1Char(','), Qt::SkipEmptyParts);
        for (const QString &code : codes) {
            const QLocale::Language language = QLocale::codeToLanguage(code.trimmed());
            if (language == QLocale::AnyLanguage || language == QLocale::C) {
                *error = tr("unknown language code \"%1\"").arg(code.trimmed());
                return false;
            }
            languages.append(language);
        }
        if (languages.isEmpty()) {
            *error = tr("--subtitle-languages wants codes such as \"en,de\"");
            return false;
        }
        settings()->setSubtitleLanguages(languages);
    }

    Kel::SubtitleMode mode = settings()->subtitleMode();
    if (parser.isSet(subtitlesOption)) {
        const QString text = parser.value(subtitlesOption).trimmed().toLower();
        if (text == QLatin1String("none")) {
            mode = Kel::NoSubtitle;
        } else if (text == QLatin1String("all")) {
            mode = Kel::AllEmbeddedSubtitles;
        } else if (text == QLatin1String("languages")) {
            mode = Kel::PreferredLanguageSubtitles;
        } else if (text == QLatin1String("burn")) {
            mode = Kel::BurnedInSubtitle;
        } else {
            *error = tr("--subtitles wants none, all, languages or burn, not \"%1\"").arg(parser.value(subtitlesOption));
            return false;
        }
    } else if (!languages.isEmpty()) {
        mode = Kel::PreferredLanguageSubtitles;
    }
    if ((mode == Kel::PreferredLanguageSubtitles || mode == Kel::BurnedInSubtitle)
        && settings()->subtitleLanguages().isEmpty()) {
        *error = tr("--subtitles %1 needs --subtitle-languages").arg(parser.value(subtitlesOption));
        return false;
    }
    settings()->setSubtitleMode(mode);
    return true;
}

void DownloadCommand::start()
{
    printer = new ProgressPrinter(ProgressPrinter::modeFor(quiet), this);
    for (const QString &url : qAsConst(urls)) {
        auto *job = new DownloadJob(url, request, this);
        const int index = jobs.size();
        jobs.append(job);
        rows.append(printer->addRow(job->label()));
        connect(job, &DownloadJob::changed, this, [this, index] { jobChanged(index); });
        connect(job, &DownloadJob::ended, this, &DownloadCommand::jobEnded);
    }
    for (DownloadJob *job : qAsConst(jobs))
        job->start();
}

void DownloadCommand::cancel(int signalNumber)
{
    if (interruptedBy != 0)
        return;
    interruptedBy = signalNumber;
    printer->message(tr("Cancelling…"));
    for (DownloadJob *job : qAsConst(jobs))
        job->cancel();
    jobEnded();
}

void DownloadCommand::jobChanged(int index)
{
    DownloadJob *job = jobs.at(index);
    const int row = rows.at(index);
    printer->setLabel(row, job->label());
    switch (job->state()) {
    case DownloadJob::Finished:
        printer->setDone(row, tr("done"));
        break;
    case DownloadJob::Failed:
        printer->setDone(row, tr("failed: %1").arg(job->reason()));
        break;
    case DownloadJob::Cancelled:
        printer->setDone(row, tr("cancelled"));
        break;
    default:
        printer->setPhase(row, job->stateText());
        printer->setProgress(row, job->progress(), job->progressInBytes());
        break;
    }
}

void DownloadCommand::jobEnded()
{
    if (hasFinished())
        return;
    for (const DownloadJob *job : qAsConst(jobs)) {
        if (!job->isEnded())
            return;
    }
    printer->stop();
    report();
}

void DownloadCommand::report()
{
    int failed = 0;
    for (int i = 0; i < jobs.size(); ++i) {
        const DownloadJob *job = jobs.at(i);
        const QString address = addresses.at(i).trimmed();
        const QString page = address == job->url() ? address : tr("%1, as %2").arg(address, job->url());
        switch (job->state()) {
        case DownloadJob::Finished: {
            const QString converted = job->convertedFile();
            const QString downloaded = job->downloadedFile();
            const bool downloadKept = !downloaded.isEmpty() && QFileInfo::exists(downloaded);
            if (quiet) {
                if (request.convert && downloadKept)
                    Console::out(downloaded + QLatin1Char('\n'));
                Console::out((request.convert ? converted : downloaded) + QLatin1Char('\n'));
                break;
            }
            Console::out(tr("Done: %1\n").arg(job->label()));
            if (!request.convert || downloadKept)
                Console::out(tr("  downloaded: %1\n").arg(downloaded));
            if (request.convert)
                Console::out(tr("  converted:  %1\n").arg(converted));
            break;
        }
        case DownloadJob::Failed:
            ++failed;
            if (job->label() == job->url())
                Console::error(tr("failed: %1: %2").arg(page, job->reason()));
            else
                Console::error(tr("failed: %1 (%2): %3").arg(job->label(), page, job->reason()));
            if (!job->keptDownload().isEmpty())
                Console::err(tr("  the downloaded file is kept: %1\n").arg(job->keptDownload()));
            break;
        case DownloadJob::Cancelled:
            Console::error(tr("cancelled: %1").arg(job->label()));
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
        Console::error(tr("%1 of %2 downloads failed").arg(failed).arg(jobs.size()));
    finish(failed > 0 ? ExitJobFailed : ExitSuccess);
}

} // namespace Tarn
