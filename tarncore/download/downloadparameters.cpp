#include "tarncore/download/downloadparameters.h"

namespace Tarn {

DownloadParameters::DownloadParameters(const QString &url)
    : url(url)
{
}

bool DownloadParameters::isValid() const
{
    return !url.isEmpty() && downloadQuality.isValid();
}

QString DownloadParameters::toString() const
{
    return QStringLiteral("url: %1\n").arg(url) + QStringLiteral("dest file: %1\n").arg(destFile)
        + QStringLiteral("quality: %1\n").arg(downloadQuality.toString());
}

} // namespace Tarn
