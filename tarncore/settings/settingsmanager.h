#pragma once

#include "tarncore/settings/mediainfodict.h"
#include "tarncore/services/kelmitunesdevice.h"
#include "tarncore/tarncoreglobal.h"
#include "shared/mediaprofile.h"
#include "shared/subtitlesetting.h"

#include <QList>
#include <QLocale>
#include <QMap>
#include <QObject>
#include <QSize>
#include <QString>
#include <QVariant>

class KelPref;

namespace Json {
class Value;
}

namespace Tarn {

// Stored as plain integers.
enum PreferredQuality : int {
    PreferredQualityBest = 1,
    PreferredQualityResolution = 2,
};

enum ListViewShowMode : int {
    ListViewShowModeTable = 0,
    ListViewShowModeThumbnail = 1,
};

enum ConvertOptionMode : int {
    ConvertOptionAsk = 0,
    ConvertOptionLastProfile = 1,
    ConvertOptionQuick = 2,
};

enum ConvertSaveMode : int {
    ConvertSaveInDownloadDir = 1,
    ConvertSaveInConvertDir = 2,
};

// The user's settings (keys "app_..." of the preference store) with their
// defaults and repairs, the shipped configuration files and images, the
// format dictionary and the preset profiles. GUI thread only.
class TARNCORE_EXPORT SettingsManager : public QObject
{
    Q_OBJECT
public:
    static constexpr int INVALID_VALUE = -1;
    static constexpr int DEFAULT_MAX_DOWNLOAD_NUMBER = 5;
    // The name of the user's own conversion profile.
    static const QString CustomizedProfileName;

    explicit SettingsManager(QObject *parent = nullptr);
    ~SettingsManager() override;

    PreferredQuality getPreferredQuality();
    void setPreferredQuality(PreferredQuality quality);
    QSize getPreferredQualityResolution();
    void setPreferredQualityResolution(const QSize &resolution);
    QString getPreferredQualityFormat();
    void setPreferredQualityFormat(const QString &format);
    QString getDownloadDestDir();
    void setDownloadDestDir(const QString &dir);
    int getMaxDownloadNumber();
    void setMaxDownloadNumber(int number);
    bool remainDownloadFile();
    void setRemainDownloadFile(bool remain);
    // The user has answered the question once (the stored value is not -1).
    bool hasSetRemainDownloadFile() const;
    bool downloadAudioOnlyIfExist();
    bool isDownloadAutoExport2Itunes();
    void setDownloadAutoExport2Itunes(bool on);
    ListViewShowMode downloadViewShowMode() const;
    void setDownloadViewShowMode(ListViewShowMode mode);

    ConvertOptionMode getConvertOptionMode() const;
    void setConvertOptionMode(ConvertOptionMode mode);
    QString getLastConvertProfileName() const;
    void setLastConvertProfileName(const QString &name);
    Kel::MediaProfile getLastCustomConvertProfile() const;
    void setLastCustomConvertProfile(const Kel::MediaProfile &profile);
    bool isKeepSubtitles() const;
    void setKeepSubtitles(bool keep);
    ConvertSaveMode getConvertSaveMode();
    void setConvertSaveMode(ConvertSaveMode mode);
    QString getConvertDestDir();
    void setConvertDestDir(const QString &dir);
    int getMaxConvertNumber();
    void setMaxConvertNumber(int number);
    bool isConvertAutoExport2Itunes();
    void setConvertAutoExport2Itunes(bool on);
    ListViewShowMode convertViewShowMode() const;
    void setConvertViewShowMode(ListViewShowMode mode);

    QString getDisabledBalloonMessages() const;
    void setDisabledBalloonMessages(const QString &messages);
    void setMessageDisabled(const QString &id);

    Kel::SubtitleMode subtitleMode() const;
    void setSubtitleMode(Kel::SubtitleMode mode);
    QList<QLocale::Language> subtitleLanguages() const;
    void setSubtitleLanguages(const QList<QLocale::Language> &languages);

    // Whether iTunes was found at start-up; automatic export is only
    // offered then.
    bool isItunesInstalled() const { return itunesInstalled; }

    const MediaInfoDict &getMediaInfoDict();

    const QMap<QString, QList<Kel::MediaProfile>> &getPresetProfiles();
    QList<Kel::MediaProfile> getCategoryProfiles(const QString &category);
    Kel::MediaProfile getProfileByName(const QString &name);
    QString getProfileCategoryByName(const QString &name);
    Kel::MediaProfile getDefaultCustomConvertProfile();
    QString getDefaultConvertProfileName();
    bool isDefaultDownloadQualityBest();
    QSize getDefaultDownloadQualityResolution();
    // The profile of a conversion that starts without asking.
    Kel::MediaProfile getQuickConvertProfile();

    QString getPresetProfileFile() const;
    QString getMediaInfoDictFile() const;
    QString getLoadingStateImage() const;
    QString getDefaultThumbnailImage() const;
    QString getDefaultActionIconImage() const;
    QString getThumbnailDownloadDir() const;

    static QVariant getRegistryValue(const QString &key, const QVariant &defaultValue = QVariant());
    static void setRegistryValue(const QString &key, const QVariant &value);
    // Makes every setting use store instead of the application's preference
    // store (tests and tools); nullptr restores the default. The caller
    // keeps ownership.
    static void setPreferenceStore(KelPref *store);

private:
    QString destDir(const QString &key, QString &cache);
    void storeDestDir(const QString &key, QString &cache, const QString &dir);
    bool exportFlag(const QString &key, int &cache);
    void loadPresetProfiles();
    Kel::MediaProfile parseProfileFromJson(const Json::Value &node);

    int preferredQuality = 0;
    QSize preferredQualityResolution = QSize(INVALID_VALUE, INVALID_VALUE);
    bool defaultDownloadQualityBest = true;
    QSize defaultDownloadQualityResolution = QSize(INVALID_VALUE, INVALID_VALUE);
    QString preferredQualityFormat;
    QString downloadDestDir;
    int maxDownloadNumber = INVALID_VALUE;
    int remainDownloadFileValue = INVALID_VALUE;
    int downloadExport2Itunes = INVALID_VALUE;
    int convertSaveMode = 0;
    QString convertDestDir;
    int maxConvertNumber = INVALID_VALUE;
    int convertExport2Itunes = INVALID_VALUE;
    QString defaultConvertProfileName;
    Kel::MediaProfile defaultCustomConvertProfile;
    MediaInfoDict mediaInfoDict;
    QMap<QString, QList<Kel::MediaProfile>> presetProfiles;
    KelmITunesDevice itunesDevice;
    bool itunesInstalled = false;
};

} // namespace Tarn
