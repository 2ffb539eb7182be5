#include "tarncore/download/appcontext.h"

#include "tarncore/convert/convertmanager.h"
#include "tarncore/download/datamanager.h"
#include "tarncore/download/downloadmanager.h"
#include "tarncore/download/downloadparameters.h"
#include "tarncore/services/leftovercleaner.h"
#include "tarncore/services/puxupdater.h"
#include "tarncore/settings/settingsmanager.h"
#include "tarncore/task/task.h"
#include "shared/progress.h"
#include "shared/webmediainfo.h"

#include "kelframe/kelfolders.h"
#include "kelframe/kelpref.h"
#include "kelframe/kelproductinfo.h"
#include "shared/keltext.h"
#include "shared/toollocator.h"
#include "webfetch/puxtoolcache.h"

#include <QDir>

namespace Tarn {

namespace {

QString &appDirOverride()
{
    static QString dir;
    return dir;
}

QString shareUrl(QChar type)
{
    const QString page = KelProductInfo::value(QString::fromLatin1(KelProductInfo::ShareUrlKey));
    if (page.isEmpty())
        return QString();
    return QStringLiteral("%1&type=%2").arg(page, type);
}

} // namespace

AppContext *AppContext::context = nullptr;

AppContext *AppContext::instance()
{
    if (!context)
        context = new AppContext;
    return context;
}

AppContext::AppContext()
{
    // Nothing is started and no setting is read here.
    settingsManager = new SettingsManager;
    downloadManager = new DownloadManager;
    convertManager = new ConvertManager;
    dataManager = new DataManager;
}

bool AppContext::init()
{
    if (initialised)
        return true;
    initialised = true;
    // Before the first queued signal that carries one of them.
    qRegisterMetaType<Kel::WebMediaInfo>("Kel::WebMediaInfo");
    qRegisterMetaType<Kel::Progress>("Kel::Progress");
    qRegisterMetaType<Kel::Task::Status>("Kel::Task::Status");
    qRegisterMetaType<Tarn::DownloadParameters>("Tarn::DownloadParameters");

    // What runs killed outright left behind, before anything of this run
    // starts; running instances keep theirs.
    LeftoverCleaner::removeLeftovers({settingsManager->getDownloadDestDir(), settingsManager->getConvertDestDir(),
                                      getTempDir(), QDir::tempPath()});
    // The extractor tool runs from an unpacked copy kept in the user's cache.
    Kel::PuxToolCache::instance()->setCacheDir(getToolCacheDir());
    // An update that an earlier run downloaded, or left half in place, is
    // installed before the first run of the tool.
    PuxUpdater *updater = PuxUpdater::instance();
    if (updater->appDataDir().isEmpty())
        updater->setAppDataDir(getAppDataDir());
    updater->tryRename();

    downloadManager->init();
    convertManager->init();
    return true;
}

QString AppContext::getAppDir()
{
    if (!appDirOverride().isEmpty())
        return appDirOverride();
    return Kel::Text::removeTrailingSlash(Kel::ToolLocator::applicationDir());
}

QString AppContext::getAppResourceDir()
{
    return QStringLiteral("%1/resource").arg(getAppDir());
}

QString AppContext::getFontsDir()
{
    return QStringLiteral("%1/fonts").arg(getAppDir());
}

QString AppContext::getAppConfDir()
{
    return QStringLiteral("%1/conf").arg(getAppDir());
}

QString AppContext::getAppDataDir()
{
    return Kel::Text::removeTrailingSlash(Kel::appDataPath());
}

QString AppContext::getToolCacheDir()
{
    return Kel::Text::removeTrailingSlash(Kel::cachePath()) + QStringLiteral("/tool");
}

QString AppContext::getTempDir()
{
    return Kel::Text::removeTrailingSlash(Kel::tempPath());
}

QString AppContext::getUserVideoDir()
{
    return Kel::Text::removeTrailingSlash(Kel::videoPath());
}

QString AppContext::getProductKey()
{
    return KelPref::instance()->product_key();
}

QString AppContext::getProductName()
{
    return KelPref::instance()->product_name();
}

QString AppContext::getCompanyKey()
{
    return KelPref::instance()->company_root_key();
}

QString AppContext::getShareUrl_f()
{
    return shareUrl(QLatin1Char('f'));
}

QString AppContext::getShareUrl_t()
{
    return shareUrl(QLatin1Char('t'));
}

QString AppContext::getShareUrl_g()
{
    return shareUrl(QLatin1Char('g'));
}

void AppContext::setAppDirOverride(const QString &dir)
{
    appDirOverride() = Kel::Text::removeTrailingSlash(dir);
}

} // namespace Tarn
