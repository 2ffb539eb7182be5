#pragma once

#include "tarncore/tarncoreglobal.h"
#include "shared/filemediainfo.h"
#include "shared/mediaprofile.h"

#include <QMetaType>
#include <QString>

namespace Tarn {

// Everything one conversion needs: the source and its description, the
// destination and the profile to convert to.
class TARNCORE_EXPORT ConvertParameters
{
public:
    ConvertParameters() = default;
    ConvertParameters(const QString &srcFile, const QString &destFile, const Kel::MediaProfile &convertProfile,
                      const Kel::FileMediaInfo &srcMediaInfo, bool keepSubtitles, qint64 convertDuration);

    QString getSrcFile() const { return srcFile; }
    void setSrcFile(const QString &file) { srcFile = file; }
    QString getDestFile() const { return destFile; }
    void setDestFile(const QString &file) { destFile = file; }
    Kel::MediaProfile getConvertProfile() const { return convertProfile; }
    void setConvertProfile(const Kel::MediaProfile &profile) { convertProfile = profile; }
    Kel::FileMediaInfo getSrcMediaInfo() const { return srcMediaInfo; }
    void setSrcMediaInfo(const Kel::FileMediaInfo &info) { srcMediaInfo = info; }
    bool getKeepSubtitles() const { return keepSubtitles; }
    void setKeepSubtitles(bool keep) { keepSubtitles = keep; }
    // Seconds of the source to convert; -1 converts the whole file.
    qint64 getConvertDuration() const { return convertDuration; }
    void setConvertDuration(qint64 seconds) { convertDuration = seconds; }

    // A source, a destination and a valid profile.
    bool isValid() const;
    // "src file: ...\ndst file: ...\nsrcMedia: ...\ndstMedia: ...\n", for the log.
    QString toString() const;

private:
    QString srcFile;
    QString destFile;
    Kel::MediaProfile convertProfile;
    Kel::FileMediaInfo srcMediaInfo;
    bool keepSubtitles = false;
    qint64 convertDuration = -1;
};

} // namespace Tarn

Q_DECLARE_METATYPE(Tarn::ConvertParameters)
