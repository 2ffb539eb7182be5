#include "tarncore/settings/settingsmanager.h"

#include "tarncore/download/appcontext.h"
#include "tarncore/settings/jsonfile.h"
#include "kelframe/kelpref.h"
#include "shared/kellog.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QThread>

namespace Tarn {

namespace {

const QString PreferredQualityKey = QStringLiteral("app_preferred_quality");
const QString PreferredWidthKey = QStringLiteral("app_preferred_quality_resolution_width");
const QString PreferredHeightKey = QStringLiteral("app_preferred_quality_resolution_height");
const QString PreferredFormatKey = QStringLiteral("app_preferred_quality_format");
const QString DownloadDirKey = QStringLiteral("app_download_destination_dir");
const QString MaxDownloadKey = QStringLiteral("app_max_download_number");
const QString RemainDownloadFileKey = QStringLiteral("app_remain_download_file");
const QString DownloadExportKey = QStringLiteral("app_download_export_itunes");
const QString DownloadViewModeKey = QStringLiteral("app_download_view_mode");
const QString ConvertOptionModeKey = QStringLiteral("app_convert_option_mode");
const QString LastProfileNameKey = QStringLiteral("app_last_convert_profile_name");
const QString KeepSubtitlesKey = QStringLiteral("app_convert_keep_subtitles");
const QString ConvertSaveModeKey = QStringLiteral("app_convert_save_mode");
const QString ConvertDirKey = QStringLiteral("app_convert_destination_dir");
const QString MaxConvertKey = QStringLiteral("app_max_convert_number");
const QString ConvertExportKey = QStringLiteral("app_convert_export_itunes");
const QString ConvertViewModeKey = QStringLiteral("app_convert_view_mode");
const QString DisabledMessagesKey = QStringLiteral("app_disabled_messages");
const QString SubtitleModeKey = QStringLiteral("app_subtitle_mode");
const QString SubtitleLanguagesKey = QStringLiteral("app_subtitle_languages");

const QString CustomDescriptionKey = QStringLiteral("app_last_convert_custom_profile_description");
const QString CustomTypeKey = QStringLiteral("app_last_convert_custom_profile_type");
const QString CustomFormatKey = QStringLiteral("app_last_convert_custom_profile_format");
const QString CustomWidthKey = QStringLiteral("app_last_convert_custom_profile_resolution_width");
const QString CustomHeightKey = QStringLiteral("app_last_convert_custom_profile_resolution_height");
const QString CustomAspectWidthKey = QStringLiteral("app_last_convert_custom_profile_aspect_width");
const QString CustomAspectHeightKey = QStringLiteral("app_last_convert_custom_profile_aspect_height");
const QString CustomVCodecKey = QStringLiteral("app_last_convert_custom_profile_v_codec");
const QString CustomVBitRateKey = QStringLiteral("app_last_convert_custom_profile_v_bit_rate");
const QString CustomFrameRateKey = QStringLiteral("app_last_convert_custom_profile_v_frame_rate");
const QString CustomACodecKey = QStringLiteral("app_last_convert_custom_profile_a_codec");
const QString CustomABitRateKey = QStringLiteral("app_last_convert_custom_profile_a_bit_rate");
const QString CustomSampleRateKey = QStringLiteral("app_last_convert_custom_profile_a_sample_rate");
const QString CustomSameAsSourceKey = QStringLiteral("app_last_convert_custom_profile_same_as_source");
const QString CustomAutoResolutionKey = QStringLiteral("app_last_convert_custom_profile_auto_resolution");
const QString CustomAutoBitRateKey = QStringLiteral("app_last_convert_custom_profile_auto_v_bit_rate");

constexpr double DefaultCustomFrameRate = 29.97;
// Used only when the format dictionary offers no download default.
const QSize FallbackPreferredResolution(1280, 720);
const QString FallbackPreferredFormat = QStringLiteral("MP4");

QPointer<KelPref> &injectedStore()
{
    static QPointer<KelPref> store;
    return store;
}

KelPref *store()
{
    KelPref *injected = injectedStore().data();
    return injected ? injected : KelPref::instance();
}

// Backslashes become "/", trailing "/" characters go (a bare root stays).
QString normalisedDir(const QString &dir)
{
    QString result = dir;
    result.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (result.size() > 1 && result.endsWith(QLatin1Char('/')))
        result.chop(1);
    return result;
}

bool isUsableDir(const QString &dir)
{
    return !dir.isEmpty() && !QDir::isRelativePath(dir) && QDir().mkpath(dir);
}

int defaultMaxConvertNumber()
{
    const QByteArray variable = qgetenv("NUMBER_OF_PROCESSORS");
    int processors = 0;
    if (!variable.isNull()) {
        bool ok = false;
        processors = QString::fromLocal8Bit(variable).trimmed().toInt(&ok, 10);
        if (!ok)
            processors = 0;
    } else {
        processors = QThread::idealThreadCount();
    }
    if (processors <= 1)
        return 1;
    return processors - 1;
}

Kel::MediaType mediaTypeFromInt(int value)
{
    switch (value) {
    case Kel::Video: return Kel::Video;
    case Kel::Audio: return Kel::Audio;
    default: return Kel::UnknownMedia;
    }
}

// A text setting; an unquoted comma in a hand-edited file makes the store
// return a list, which is joined back.
QString textValue(const QVariant &value)
{
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

// An integer flag; any other type reads as missing, that is 0.
bool flagMember(const Json::Value &value)
{
    return value.isIntegral() && value.asLargestInt() != 0;
}

} // namespace

const QString SettingsManager::CustomizedProfileName = QStringLiteral("Customized");

SettingsManager::SettingsManager(QObject *parent)
    : QObject(parent)
{
    itunesInstalled = itunesDevice.isItunesInstalled();
    if (!itunesInstalled) {
        setRegistryValue(DownloadExportKey, INVALID_VALUE);
        setRegistryValue(ConvertExportKey, INVALID_VALUE);
    }
}

SettingsManager::~SettingsManager() = default;

QVariant SettingsManager::getRegistryValue(const QString &key, const QVariant &defaultValue)
{
    return store()->value(key, defaultValue);
}

void SettingsManager::setRegistryValue(const QString &key, const QVariant &value)
{
    store()->setValue(key, value, false);
}

void SettingsManager::setPreferenceStore(KelPref *preferenceStore)
{
    injectedStore() = preferenceStore;
}

PreferredQuality SettingsManager::getPreferredQuality()
{
    if (preferredQuality == 0) {
        if (presetProfiles.isEmpty())
            loadPresetProfiles();
        const int stored = getRegistryValue(PreferredQualityKey, 0).toInt();
        if (stored == 0) {
            preferredQuality = defaultDownloadQualityBest ? PreferredQualityBest : PreferredQualityResolution;
        } else if (stored != PreferredQualityBest && stored != PreferredQualityResolution) {
            setPreferredQuality(PreferredQualityBest);
        } else {
            preferredQuality = stored;
        }
    }
    return static_cast<PreferredQuality>(preferredQuality);
}

void SettingsManager::setPreferredQuality(PreferredQuality quality)
{
    preferredQuality = quality;
    setRegistryValue(PreferredQualityKey, preferredQuality);
}

QSize SettingsManager::getPreferredQualityResolution()
{
    if (preferredQualityResolution.width() == INVALID_VALUE && preferredQualityResolution.height() == INVALID_VALUE) {
        QSize defaultSize = getMediaInfoDict().getWebMediaResolutionSupport().getDefaultResolution();
        if (defaultSize.width() < 1 || defaultSize.height() < 1)
            defaultSize = FallbackPreferredResolution;
        const int width = getRegistryValue(PreferredWidthKey, defaultSize.width()).toInt();
        const int height = getRegistryValue(PreferredHeightKey, defaultSize.height()).toInt();
        if (width < 1 || height < 1)
            setPreferredQualityResolution(defaultSize);
        else
            preferredQualityResolution = QSize(width, height);
    }
    return preferredQualityResolution;
}

void SettingsManager::setPreferredQualityResolution(const QSize &resolution)
{
    if (resolution.width() <= 0 || resolution.height() <= 0)
        return;
    preferredQualityResolution = resolution;
    setRegistryValue(PreferredWidthKey, resolution.width());
    setRegistryValue(PreferredHeightKey, resolution.height());
}

QString SettingsManager::getPreferredQualityFormat()
{
    if (preferredQualityFormat.isEmpty()) {
        QString defaultFormat = getMediaInfoDict().getWebMediaFormatSupport().getDefaultFormat();
        if (defaultFormat.isEmpty())
            defaultFormat = FallbackPreferredFormat;
        const QString stored = textValue(getRegistryValue(PreferredFormatKey, defaultFormat));
        if (stored.isEmpty())
            setPreferredQualityFormat(defaultFormat);
        else
            preferredQualityFormat = stored;
    }
    return preferredQualityFormat;
}

void SettingsManager::setPreferredQualityFormat(const QString &format)
{
    if (format.isEmpty())
        return;
    preferredQualityFormat = format;
    setRegistryValue(PreferredFormatKey, format);
}

QString SettingsManager::destDir(const QString &key, QString &cache)
{
    if (cache.isEmpty()) {
        const QString videoDir = AppContext::getUserVideoDir();
        // Checked as it is returned: a backslash checked as part of a name
        // would create one folder and hand out another.
        const QString stored = normalisedDir(textValue(getRegistryValue(key, videoDir)).trimmed());
        if (!isUsableDir(stored) && stored != normalisedDir(videoDir))
            storeDestDir(key, cache, videoDir);
        else
            cache = stored;
    }
    return normalisedDir(cache);
}

void SettingsManager::storeDestDir(const QString &key, QString &cache, const QString &dir)
{
    if (dir.isEmpty())
        return;
    cache = normalisedDir(dir);
    const QString videoDir = normalisedDir(AppContext::getUserVideoDir());
    if (!isUsableDir(cache) && cache != videoDir)
        cache = videoDir;
    setRegistryValue(key, cache);
}

QString SettingsManager::getDownloadDestDir()
{
    return destDir(DownloadDirKey, downloadDestDir);
}

void SettingsManager::setDownloadDestDir(const QString &dir)
{
    storeDestDir(DownloadDirKey, downloadDestDir, dir);
}

int SettingsManager::getMaxDownloadNumber()
{
    if (maxDownloadNumber == INVALID_VALUE) {
        int stored = getRegistryValue(MaxDownloadKey, DEFAULT_MAX_DOWNLOAD_NUMBER).toInt();
        if (stored < 1)
            stored = DEFAULT_MAX_DOWNLOAD_NUMBER;
        setMaxDownloadNumber(stored);
    }
    return maxDownloadNumber;
}

void SettingsManager::setMaxDownloadNumber(int number)
{
    if (number <= 0 || number == maxDownloadNumber)
        return;
    maxDownloadNumber = number;
    setRegistryValue(MaxDownloadKey, number);
}

bool SettingsManager::remainDownloadFile()
{
    if (remainDownloadFileValue == INVALID_VALUE)
        remainDownloadFileValue = getRegistryValue(RemainDownloadFileKey, INVALID_VALUE).toInt();
    return remainDownloadFileValue > 0;
}

void SettingsManager::setRemainDownloadFile(bool remain)
{
    remainDownloadFileValue = remain ? 1 : 0;
    setRegistryValue(RemainDownloadFileKey, remainDownloadFileValue);
}

bool SettingsManager::hasSetRemainDownloadFile() const
{
    return getRegistryValue(RemainDownloadFileKey, INVALID_VALUE).toInt() != INVALID_VALUE;
}

bool SettingsManager::downloadAudioOnlyIfExist()
{
    return !remainDownloadFile();
}

bool SettingsManager::exportFlag(const QString &key, int &cache)
{
    if (cache == INVALID_VALUE) {
        const int stored = getRegistryValue(key, 0).toInt();
        if (stored < 0) {
            cache = 0;
            setRegistryValue(key, 0);
        } else {
            cache = stored;
        }
    }
    return cache > 0;
}

bool SettingsManager::isDownloadAutoExport2Itunes()
{
    return exportFlag(DownloadExportKey, downloadExport2Itunes);
}

void SettingsManager::setDownloadAutoExport2Itunes(bool on)
{
    downloadExport2Itunes = on ? 1 : 0;
    setRegistryValue(DownloadExportKey, downloadExport2Itunes);
}

ListViewShowMode SettingsManager::downloadViewShowMode() const
{
    const int mode = getRegistryValue(DownloadViewModeKey, ListViewShowModeTable).toInt();
    return mode == ListViewShowModeThumbnail ? ListViewShowModeThumbnail : ListViewShowModeTable;
}

void SettingsManager::setDownloadViewShowMode(ListViewShowMode mode)
{
    setRegistryValue(DownloadViewModeKey, int(mode));
}

ConvertOptionMode SettingsManager::getConvertOptionMode() const
{
    const int mode = getRegistryValue(ConvertOptionModeKey, INVALID_VALUE).toInt();
    if (mode < ConvertOptionAsk || mode > ConvertOptionQuick)
        return ConvertOptionAsk;
    return static_cast<ConvertOptionMode>(mode);
}

void SettingsManager::setConvertOptionMode(ConvertOptionMode mode)
{
    const int value = mode;
    if (value < ConvertOptionAsk || value > ConvertOptionQuick)
        return;
    setRegistryValue(ConvertOptionModeKey, value);
}

QString SettingsManager::getLastConvertProfileName() const
{
    return textValue(getRegistryValue(LastProfileNameKey, QString()));
}

void SettingsManager::setLastConvertProfileName(const QString &name)
{
    setRegistryValue(LastProfileNameKey, name);
}

Kel::MediaProfile SettingsManager::getLastCustomConvertProfile() const
{
    Kel::MediaProfile profile;
    profile.name = CustomizedProfileName;
    profile.description = textValue(getRegistryValue(CustomDescriptionKey, QString()));
    profile.type = mediaTypeFromInt(getRegistryValue(CustomTypeKey, int(Kel::UnknownMedia)).toInt());
    profile.format = getRegistryValue(CustomFormatKey, QString()).toString();
    profile.resolution = QSize(getRegistryValue(CustomWidthKey, INVALID_VALUE).toInt(),
                               getRegistryValue(CustomHeightKey, INVALID_VALUE).toInt());
    profile.aspect = QSize(getRegistryValue(CustomAspectWidthKey, INVALID_VALUE).toInt(),
                           getRegistryValue(CustomAspectHeightKey, INVALID_VALUE).toInt());
    profile.vCodec = getRegistryValue(CustomVCodecKey, QString()).toString();
    profile.vBitRate = getRegistryValue(CustomVBitRateKey, INVALID_VALUE).toInt();
    profile.frameRate = getRegistryValue(CustomFrameRateKey, DefaultCustomFrameRate).toDouble();
    profile.aCodec = getRegistryValue(CustomACodecKey, QString()).toString();
    profile.aBitRate = getRegistryValue(CustomABitRateKey, INVALID_VALUE).toInt();
    profile.aSampleRate = getRegistryValue(CustomSampleRateKey, INVALID_VALUE).toInt();
    profile.sameAsSource = getRegistryValue(CustomSameAsSourceKey, 0).toInt() != 0;
    profile.autoResolution = getRegistryValue(CustomAutoResolutionKey, 0).toInt() != 0;
    profile.autoBitRate = getRegistryValue(CustomAutoBitRateKey, 0).toInt() != 0;
    return profile;
}

void SettingsManager::setLastCustomConvertProfile(const Kel::MediaProfile &profile)
{
    if (!profile.isValid() || profile.name != CustomizedProfileName)
        return;
    setRegistryValue(CustomDescriptionKey, profile.description);
    setRegistryValue(CustomTypeKey, int(profile.type));
    setRegistryValue(CustomFormatKey, profile.format);
    setRegistryValue(CustomWidthKey, profile.resolution.width());
    setRegistryValue(CustomHeightKey, profile.resolution.height());
    setRegistryValue(CustomAspectWidthKey, profile.aspect.width());
    setRegistryValue(CustomAspectHeightKey, profile.aspect.height());
    setRegistryValue(CustomVCodecKey, profile.vCodec);
    setRegistryValue(CustomVBitRateKey, profile.vBitRate);
    setRegistryValue(CustomFrameRateKey, profile.frameRate);
    setRegistryValue(CustomACodecKey, profile.aCodec);
    setRegistryValue(CustomABitRateKey, profile.aBitRate);
    setRegistryValue(CustomSampleRateKey, profile.aSampleRate);
    setRegistryValue(CustomSameAsSourceKey, profile.sameAsSource ? 1 : 0);
    setRegistryValue(CustomAutoResolutionKey, profile.autoResolution ? 1 : 0);
    setRegistryValue(CustomAutoBitRateKey, profile.autoBitRate ? 1 : 0);
}

bool SettingsManager::isKeepSubtitles() const
{
    return getRegistryValue(KeepSubtitlesKey, true).toBool();
}

void SettingsManager::setKeepSubtitles(bool keep)
{
    setRegistryValue(KeepSubtitlesKey, keep);
}

ConvertSaveMode SettingsManager::getConvertSaveMode()
{
    if (convertSaveMode == 0) {
        const int stored = getRegistryValue(ConvertSaveModeKey, ConvertSaveInConvertDir).toInt();
        if (stored != ConvertSaveInDownloadDir && stored != ConvertSaveInConvertDir)
            setConvertSaveMode(ConvertSaveInConvertDir);
        else
            convertSaveMode = stored;
    }
    return static_cast<ConvertSaveMode>(convertSaveMode);
}

void SettingsManager::setConvertSaveMode(ConvertSaveMode mode)
{
    convertSaveMode = mode;
    setRegistryValue(ConvertSaveModeKey, convertSaveMode);
}

QString SettingsManager::getConvertDestDir()
{
    return destDir(ConvertDirKey, convertDestDir);
}

void SettingsManager::setConvertDestDir(const QString &dir)
{
    storeDestDir(ConvertDirKey, convertDestDir, dir);
}

int SettingsManager::getMaxConvertNumber()
{
    if (maxConvertNumber == INVALID_VALUE) {
        const int defaultNumber = defaultMaxConvertNumber();
        int stored = getRegistryValue(MaxConvertKey, defaultNumber).toInt();
        if (stored < 1)
            stored = defaultNumber;
        setMaxConvertNumber(stored);
    }
    return maxConvertNumber;
}

void SettingsManager::setMaxConvertNumber(int number)
{
    if (number <= 0 || number == maxConvertNumber)
        return;
    maxConvertNumber = number;
    setRegistryValue(MaxConvertKey, number);
}

bool SettingsManager::isConvertAutoExport2Itunes()
{
    return exportFlag(ConvertExportKey, convertExport2Itunes);
}

void SettingsManager::setConvertAutoExport2Itunes(bool on)
{
    convertExport2Itunes = on ? 1 : 0;
    setRegistryValue(ConvertExportKey, convertExport2Itunes);
}

ListViewShowMode SettingsManager::convertViewShowMode() const
{
    const int mode = getRegistryValue(ConvertViewModeKey, ListViewShowModeTable).toInt();
    return mode == ListViewShowModeThumbnail ? ListViewShowModeThumbnail : ListViewShowModeTable;
}

void SettingsManager::setConvertViewShowMode(ListViewShowMode mode)
{
    setRegistryValue(ConvertViewModeKey, int(mode));
}

QString SettingsManager::getDisabledBalloonMessages() const
{
    return textValue(getRegistryValue(DisabledMessagesKey, QString()));
}

void SettingsManager::setDisabledBalloonMessages(const QString &messages)
{
    setRegistryValue(DisabledMessagesKey, messages);
}

void SettingsManager::setMessageDisabled(const QString &id)
{
    const QString current = getDisabledBalloonMessages();
    setDisabledBalloonMessages(current.isEmpty() ? id : current + QLatin1Char(',') + id);
}

Kel::SubtitleMode SettingsManager::subtitleMode() const
{
    const int mode = getRegistryValue(SubtitleModeKey, Kel::NoSubtitle).toInt();
    if (mode < Kel::NoSubtitle || mode > Kel::BurnedInSubtitle)
        return Kel::NoSubtitle;
    return static_cast<Kel::SubtitleMode>(mode);
}

void SettingsManager::setSubtitleMode(Kel::SubtitleMode mode)
{
    setRegistryValue(SubtitleModeKey, int(mode));
}

QList<QLocale::Language> SettingsManager::subtitleLanguages() const
{
    const QStringList parts = textValue(getRegistryValue(SubtitleLanguagesKey, QString())).split(QLatin1Char(','));
    QList<QLocale::Language> languages;
    for (const QString &part : parts) {
        bool ok = false;
        const int number = part.trimmed().toInt(&ok, 10);
        if (ok && number > 0)
            languages.append(static_cast<QLocale::Language>(number));
    }
    return languages;
}

void SettingsManager::setSubtitleLanguages(const QList<QLocale::Language> &languages)
{
    QStringList parts;
    for (QLocale::Language language : languages)
        parts.append(QString::number(int(language)));
    setRegistryValue(SubtitleLanguagesKey, parts.join(QLatin1Char(',')));
}

const MediaInfoDict &SettingsManager::getMediaInfoDict()
{
    if (mediaInfoDict.isNull())
        mediaInfoDict.load(getMediaInfoDictFile());
    return mediaInfoDict;
}

const QMap<QString, QList<Kel::MediaProfile>> &SettingsManager::getPresetProfiles()
{
    if (presetProfiles.isEmpty())
        loadPresetProfiles();
    return presetProfiles;
}

QList<Kel::MediaProfile> SettingsManager::getCategoryProfiles(const QString &category)
{
    return getPresetProfiles().value(category);
}

Kel::MediaProfile SettingsManager::getProfileByName(const QString &name)
{
    const QMap<QString, QList<Kel::MediaProfile>> &presets = getPresetProfiles();
    for (const QList<Kel::MediaProfile> &profiles : presets) {
        for (const Kel::MediaProfile &profile : profiles) {
            if (profile.name == name)
                return profile;
        }
    }
    return Kel::MediaProfile();
}

QString SettingsManager::getProfileCategoryByName(const QString &name)
{
    const QMap<QString, QList<Kel::MediaProfile>> &presets = getPresetProfiles();
    for (auto it = presets.cbegin(); it != presets.cend(); ++it) {
        for (const Kel::MediaProfile &profile : it.value()) {
            if (profile.name == name)
                return it.key();
        }
    }
    return QString();
}

Kel::MediaProfile SettingsManager::getDefaultCustomConvertProfile()
{
    if (presetProfiles.isEmpty())
        loadPresetProfiles();
    return defaultCustomConvertProfile;
}

QString SettingsManager::getDefaultConvertProfileName()
{
    if (presetProfiles.isEmpty())
        loadPresetProfiles();
    return defaultConvertProfileName;
}

bool SettingsManager::isDefaultDownloadQualityBest()
{
    if (presetProfiles.isEmpty())
        loadPresetProfiles();
    return defaultDownloadQualityBest;
}

QSize SettingsManager::getDefaultDownloadQualityResolution()
{
    if (presetProfiles.isEmpty())
        loadPresetProfiles();
    return defaultDownloadQualityResolution;
}

Kel::MediaProfile SettingsManager::getQuickConvertProfile()
{
    if (presetProfiles.isEmpty())
        loadPresetProfiles();
    QString name = getLastConvertProfileName();
    if (name.isEmpty())
        name = defaultConvertProfileName;
    if (name != CustomizedProfileName) {
        const Kel::MediaProfile preset = getProfileByName(name);
        if (preset.isValid())
            return preset;
    }
    const Kel::MediaProfile last = getLastCustomConvertProfile();
    if (last.isValid())
        return last;
    return defaultCustomConvertProfile;
}

QString SettingsManager::getPresetProfileFile() const
{
    return QStringLiteral("%1/profiles.json").arg(AppContext::getAppConfDir());
}

QString SettingsManager::getMediaInfoDictFile() const
{
    return QStringLiteral("%1/basic_parameters.json").arg(AppContext::getAppConfDir());
}

QString SettingsManager::getLoadingStateImage() const
{
    return QStringLiteral("%1/images/load_state_image.gif").arg(AppContext::getAppResourceDir());
}

QString SettingsManager::getDefaultThumbnailImage() const
{
    return QStringLiteral("%1/images/default_thumbnail.png").arg(AppContext::getAppResourceDir());
}

QString SettingsManager::getDefaultActionIconImage() const
{
    return QStringLiteral("%1/images/default_action_icon.png").arg(AppContext::getAppResourceDir());
}

QString SettingsManager::getThumbnailDownloadDir() const
{
    const QString dir = QStringLiteral("%1/thumbnail").arg(AppContext::getAppDataDir());
    if (!QDir().mkpath(dir))
        KEL_ERROR("create thumbnail dir error %s", qPrintable(dir));
    return dir;
}

void SettingsManager::loadPresetProfiles()
{
    Json::Value root;
    if (!JsonFile::parse(getPresetProfileFile(), root))
        return;

    // A member of another type than its own reads as missing.
    const Json::Value &best = JsonFile::member(root, "DefaultDownloadQualityBest");
    if (best.isString())
        defaultDownloadQualityBest = JsonFile::text(best) != QLatin1String("0");
    const Json::Value &resolution = JsonFile::member(root, "DefaultDownloadQualityResolution");
    if (resolution.isString())
        defaultDownloadQualityResolution = MediaInfoDict::parseResolution(JsonFile::text(resolution));

    const Json::Value &profileName = JsonFile::member(root, "DefaultConvertProfileName");
    if (!profileName.isString())
        return;
    defaultConvertProfileName = JsonFile::text(profileName);

    const Json::Value &customProfile = JsonFile::member(root, "DefaultCustomConvertProfile");
    if (!customProfile.isObject())
        return;
    defaultCustomConvertProfile = parseProfileFromJson(customProfile);

    const Json::Value &categories = JsonFile::member(root, "Catagories");
    if (!categories.isArray())
        return;
    for (const Json::Value &category : categories) {
        if (!category.isObject())
            continue;
        const QString name = JsonFile::text(JsonFile::member(category, "Name"));
        QList<Kel::MediaProfile> profiles;
        const Json::Value &entries = JsonFile::member(category, "Profiles");
        if (entries.isArray()) {
            for (const Json::Value &entry : entries) {
                const Kel::MediaProfile profile = parseProfileFromJson(entry);
                if (profile.isValid())
                    profiles.append(profile);
            }
        }
        presetProfiles.insert(name, profiles);
    }
}

Kel::MediaProfile SettingsManager::parseProfileFromJson(const Json::Value &node)
{
    Kel::MediaProfile profile;
    if (!node.isObject())
        return profile;

    const auto text = [&node](const char *name) { return JsonFile::text(JsonFile::member(node, name)); };

    profile.name = text("Name");
    profile.description = text("Description");
    const QString type = text("MediaType").toLower();
    if (type == QLatin1String("video"))
        profile.type = Kel::Video;
    else if (type == QLatin1String("audio"))
        profile.type = Kel::Audio;
    else
        profile.type = Kel::UnknownMedia;
    const Json::Value &sameAsSource = JsonFile::member(node, "SameAsSource");
    profile.sameAsSource = (sameAsSource.isNull() ? 0 : JsonFile::text(sameAsSource).trimmed().toInt()) != 0;
    profile.format = text("Format");
    profile.resolution = MediaInfoDict::parseResolution(text("Resolution"));
    profile.aspect = MediaInfoDict::parseResolution(text("AspectRatio"));
    const MediaInfoDict &dict = getMediaInfoDict();
    profile.vCodec = dict.getFFmpegCodecValue(text("VCodec"));
    profile.vBitRate = MediaInfoDict::parseBitRate(text("VBitRate"));
    const Json::Value &frameRate = JsonFile::member(node, "VFrameRate");
    profile.frameRate = frameRate.isNumeric() ? frameRate.asDouble() : 0.0;
    profile.aCodec = dict.getFFmpegCodecValue(text("ACodec"));
    profile.aBitRate = MediaInfoDict::parseBitRate(text("ABitRate"));
    profile.aSampleRate = MediaInfoDict::parseBitRate(text("ASampleRate"));
    profile.autoResolution = flagMember(JsonFile::member(node, "AutoResolution"));
    profile.autoBitRate = flagMember(JsonFile::member(node, "AutoBitRate"));
    return profile;
}

} // namespace Tarn
