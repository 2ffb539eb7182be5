#include "cli/failurereason.h"

#include "tarncore/convert/convertitem.h"
#include "tarncore/download/downloaditem.h"

#include <QStringList>

namespace Tarn {

QString FailureReason::forItemError(int code, const QVariant &argument)
{
    const QString text = oneLine(argument.toString());
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
    return errors.isEmpty() ? oneLine(text) : errors.join(QLatin1String("; "));
}

QString FailureReason::oneLine(const QString &text)
{
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts).replaceInStrings(QStringLiteral("\r"), QString()).join(
        QLatin1String("; ")).trimmed();
}

} // namespace Tarn
