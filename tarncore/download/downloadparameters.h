#pragma once

#include "tarncore/tarncoreglobal.h"
#include "shared/mediaprofile.h"
#include "shared/subtitlesetting.h"

#include <QMetaType>
#include <QString>

namespace Tarn {

// Everything one download needs: the page, the chosen quality, where the
// file goes and which subtitles come with it.
class TARNCORE_EXPORT DownloadParameters
{
public:
    DownloadParameters() = default;
    explicit DownloadParameters(const QString &url);

    Kel::MediaProfile getDownloadQuality() const { return downloadQuality; }
    void setDownloadQuality(const Kel::MediaProfile &quality) { downloadQuality = quality; }
    QString getUrl() const { return url; }
    void setUrl(const QString &value) { url = value; }
    QString getDestFile() const { return destFile; }
    void setDestFile(const QString &file) { destFile = file; }
    QString getDestDir() const { return destDir; }
    void setDestDir(const QString &dir) { destDir = dir; }
    bool downloadAudioOnlyIfExist() const { return audioOnlyIfExist; }
    void setDownloadAudioOnlyIfExist(bool on) { audioOnlyIfExist = on; }
    const Kel::SubtitleSetting &subtitleSetting() const { return subtitles; }
    void setSubtitleSetting(const Kel::SubtitleSetting &setting) { subtitles = setting; }

    // A page and a valid quality.
    bool isValid() const;
    // "url: ...\ndest file: ...\nquality: ...\n"
    QString toString() const;

private:
    Kel::MediaProfile downloadQuality;
    QString url;
    QString destFile;
    QString destDir;
    bool audioOnlyIfExist = false;
    Kel::SubtitleSetting subtitles;
};

} // namespace Tarn

Q_DECLARE_METATYPE(Tarn::DownloadParameters)
