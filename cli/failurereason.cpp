#include "cli/failurereason.h"

#include "tarncore/convert/convertitem.h"
#include "tarncore/convert/converttask.h"
#include "tarncore/download/downloaditem.h"
#include "tarncore/download/downloadtask.h"
#include "transcoder/mediaconverter.h"

#include <QStringList>

namespace Tarn {

QString FailureReason::forDownloadCode(qint32 code)
{
    switch (code) {
    case 0:
        return QString();
    case -1:
        return tr("the extractor tool could not run or offered no such quality");
    case -4:
        return tr("the extractor tool stopped with an error");
    case -5:
        return tr("the extractor tool crashed or was stopped");
    case -7:
        return tr("ffmpeg could not merge the streams");
    case -8:
        return tr("the finished file could not be moved to its destination");
    case DownloadTask::InvalidParameters:
        return tr("no quality of this page could be chosen");
    case DownloadTask::DuplicateDestination:
        return tr("another download is writing the same file");
    case DownloadTask::PoolRefused:
        return tr("the download queue refused the job");
    default:
        return tr("the download failed (code %1)").arg(code);
    }
}

QString FailureReason::forConvertCode(qint32 code)
{
    switch (code) {
    case 0:
        return QString();
    case Kel::MediaConverter::ConverterFailed:
        return tr("ffmpeg stopped with an error");
    case Kel::MediaConverter::ConverterCrashed:
        return tr("ffmpeg crashed or was stopped");
    case Kel::MediaConverter::ConverterNotStarted:
        return tr("ffmpeg could not be started");
    case ConvertTask::InvalidParameters:
        return tr("the conversion has no source, destination or profile");
    case ConvertTask::DuplicateConversion:
        return tr("the same conversion is already running");
    default:
        return tr("the conversion failed (code %1)").arg(code);
    }
}

QString FailureReason::forItemError(int code, const QVariant &argument)
{
    const QString text = argument.toString();
    switch (code) {
    case DownloadItem::DownloadFailed:
        return text.isEmpty() ? tr("the download failed") : text;
    case ConvertItem::ConvertFailed:
        return text.isEmpty() ? tr("the conversion failed") : text;
    case ConvertItem::ItunesImportFailed:
        return tr("iTunes did not import %1").arg(text);
    case ConvertItem::ItunesNotInstalled:
        return tr("iTunes is not installed");
    case ConvertItem::SourceProbeFailed:
        return tr("%1 is not a readable media file").arg(text);
    case DownloadItem::MediaInfoFailed:
        return tr("no media information was found on the page");
    default:
        return tr("error %1").arg(code);
    }
}

QString FailureReason::fromToolOutput(const QString &text)
{
    QStringList errors;
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        if (line.contains(QLatin1String("ERROR")))
            errors += line.trimmed();
    }
    return errors.isEmpty() ? text.trimmed() : errors.join(QLatin1String("; "));
}

} // namespace Tarn
