#include "tarncore/convert/convertmanager.h"

#include "shared/kellog.h"
#include "shared/keltext.h"
#include "tarncore/convert/converttask.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/settings/settingsmanager.h"
#include "transcoder/mediaconverterfactory.h"
#include "transcoder/mediainfoextractor.h"

#include <QFileInfo>

#include <memory>

namespace Tarn {

ConvertManager::ConvertManager(QObject *parent)
    : QObject(parent)
{
}

ConvertManager::~ConvertManager() = default;

void ConvertManager::init()
{
    convertPool.setMaxRunning(AppContext::instance()->getSettingsManager()->getMaxConvertNumber());
    convertPool.start();
}

void ConvertManager::setMaxConvertSimulaneous(int n)
{
    convertPool.setMaxRunning(n);
}

ConvertTask *ConvertManager::getConvertTask()
{
    auto *task = new ConvertTask(&convertPool);
    deleteWhenEnded(task);
    return task;
}

ConvertTask *ConvertManager::getConvertTask(const QString &key)
{
    return qobject_cast<ConvertTask *>(convertPool.task(key));
}

void ConvertManager::cancelConvert(const ConvertParameters &params)
{
    convertPool.cancelTask(ConvertTask::makeTaskKey(params));
}

void ConvertManager::pauseTask(const ConvertParameters &params)
{
    convertPool.pauseTask(ConvertTask::makeTaskKey(params));
}

void ConvertManager::resumeTask(const ConvertParameters &params)
{
    convertPool.resumeTask(ConvertTask::makeTaskKey(params));
}

void ConvertManager::cancelAll()
{
    convertPool.cancelAll();
}

bool ConvertManager::clear()
{
    cancelAll();
    return true;
}

void ConvertManager::deleteWhenEnded(Kel::Task *task)
{
    // The task as context: the start announcements come from the pool's
    // scheduler thread and reach the task's own thread queued.
    connect(task, &Kel::Task::statusChanged, task, [task](const QString &, Kel::Task::Status status) {
        if (Kel::Task::isEnded(status))
            task->deleteLater();
    });
}

Kel::FileMediaInfo ConvertManager::getMeidaInfo(const QString &file, bool thumbnailFlag)
{
    std::unique_ptr<Kel::MediaInfoExtractor> extractor(Kel::MediaConverterFactory::instance()->createExtractor());
    if (thumbnailFlag) {
        const QString dir = AppContext::instance()->getSettingsManager()->getThumbnailDownloadDir();
        // Two sources of the same name in different folders keep their own
        // pictures: each item removes its thumbnail when it goes.
        const QString thumbnail = Kel::Text::uniqueFileName(
            QStringLiteral("%1/%2.%3").arg(dir, QFileInfo(file).completeBaseName(), QStringLiteral("jpg")));
        KEL_DEBUG("%s", qPrintable(QStringLiteral("thumbnailFlag : %1 %2 %3").arg(thumbnailFlag).arg(file, thumbnail)));
        extractor->setThumbnailFile(thumbnail);
    }
    Kel::FileMediaInfo info = extractor->getMediaInfo(file, thumbnailFlag, AppContext::getAppDir());
    info.mediaFile = file;
    if (info.isValid() && info.fileSize <= 0)
        info.fileSize = QFileInfo(file).size();
    return info;
}

} // namespace Tarn
