#include "cli/coresession.h"

#include "kelframe/kelpref.h"
#include "shared/runstamp.h"
#include "tarncore/convert/convertmanager.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/download/datamanager.h"
#include "tarncore/download/downloadmanager.h"
#include "tarncore/settings/settingsmanager.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>

namespace Tarn {

CoreSession::CoreSession()
    // Stamped, so that a later start removes it when this run is killed.
    : storeDir(QDir::tempPath() + QLatin1Char('/') + Kel::RunStamp::current() + Kel::RunStamp::SessionMarker
               + QStringLiteral("XXXXXX"))
{
}

CoreSession::~CoreSession()
{
    close();
}

bool CoreSession::open(QString *error)
{
    if (opened)
        return true;
    if (!storeDir.isValid()) {
        if (error)
            *error = tr("cannot create a temporary folder for this run's settings: %1").arg(storeDir.errorString());
        return false;
    }
    KelPref *user = KelPref::instance();
    store = std::make_unique<KelPref>(storeDir.filePath(QStringLiteral("settings.ini")));
    const QStringList keys = user->allKeys();
    for (const QString &key : keys)
        store->setValue(key, user->value(key));
    // Before the context exists: the settings manager writes while it is made.
    SettingsManager::setPreferenceStore(store.get());
    AppContext::instance()->init();
    opened = true;
    return true;
}

void CoreSession::close()
{
    if (!opened)
        return;
    opened = false;
    AppContext *context = AppContext::instance();
    context->getDownloadManager()->clear();
    context->getConvertManager()->clear();
    context->getDataManager()->clear();
    context->getDownloadManager()->getHttpPool().stop();
    context->getConvertManager()->getConvertPool().stop();
    // Ended tasks go through deleteLater(); their workers clean up when
    // deleted, which must happen before the process ends.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    SettingsManager::setPreferenceStore(nullptr);
    store.reset();
}

QString CoreSession::storeFile() const
{
    return store ? store->fileName() : QString();
}

} // namespace Tarn
