#include "tarncore/convert/convertparameters.h"

namespace Tarn {

ConvertParameters::ConvertParameters(const QString &srcFile, const QString &destFile,
                                     const Kel::MediaProfile &convertProfile, const Kel::FileMediaInfo &srcMediaInfo,
                                     bool keepSubtitles, qint64 convertDuration)
    : srcFile(srcFile)
    , destFile(destFile)
    , convertProfile(convertProfile)
    , srcMediaInfo(srcMediaInfo)
    , keepSubtitles(keepSubtitles)
    , convertDuration(convertDuration)
{
}

bool ConvertParameters::isValid() const
{
    return !srcFile.isEmpty() && !destFile.isEmpty() && convertProfile.isValid();
}

QString ConvertParameters::toString() const
{
    QString text;
    text += QStringLiteral("src file: %1\n").arg(srcFile);
    text += QStringLiteral("dst file: %1\n").arg(destFile);
    text += QStringLiteral("srcMedia: %1\n").arg(srcMediaInfo.toString());
    text += QStringLiteral("dstMedia: %1\n").arg(convertProfile.toString());
    return text;
}

} // namespace Tarn
