#include "cli/conversionjob.h"

#include "cli/failurereason.h"
#include "tarncore/convert/convertitem.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/download/datamanager.h"
#include "tarncore/settings/settingsmanager.h"

#include <QTimer>

namespace Tarn {

ConversionJob::ConversionJob(const QString &source, const Kel::FileMediaInfo &sourceInfo,
                             const Kel::MediaProfile &profile, QObject *parent)
    : QObject(parent)
    , sourceFile(source)
    , sourceInfo(sourceInfo)
    , profile(profile)
{
}

ConversionJob::~ConversionJob() = default;

void ConversionJob::start()
{
    AppContext *context = AppContext::instance();
    const ConvertParameters parameters(sourceFile, QString(), profile, sourceInfo,
                                       context->getSettingsManager()->isKeepSubtitles(), -1);
    item = new ConvertItem;
    item->setSrcMediaInfo(sourceInfo);
    item->setConvertParameters(parameters);
    context->getDataManager()->getConvertList()->append(item);
    connect(item, &ConvertItem::statusChanged, this, &ConversionJob::onStatusChanged);
    connect(item, &ConvertItem::dataChanged, this, &ConversionJob::changed);
    connect(item, &ConvertItem::error, this, &ConversionJob::onItemError);
    item->setStatus(ConvertItem::StatusReady);
    item->start();
}

void ConversionJob::cancel()
{
    if (isEnded())
        return;
    if (item) {
        item->disconnect(this);
        item->cancel();
    }
    setState(Cancelled);
}

QString ConversionJob::stateText() const
{
    switch (jobState) {
    case Waiting: return tr("waiting");
    case Converting: return tr("converting");
    case Finished: return tr("done");
    case Failed: return tr("failed");
    case Cancelled: return tr("cancelled");
    }
    return QString();
}

Kel::Progress ConversionJob::progress() const
{
    return item ? item->getProgress() : Kel::Progress();
}

QString ConversionJob::resultFile() const
{
    return item ? item->getDestFile() : QString();
}

void ConversionJob::onStatusChanged()
{
    if (!item || isEnded())
        return;
    switch (item->getStatus()) {
    case ConvertItem::StatusNone:
    case ConvertItem::StatusWaitingDownload:
    case ConvertItem::StatusReady:
    case ConvertItem::StatusStarting:
    case ConvertItem::StatusPaused:
        setState(Waiting);
        break;
    case ConvertItem::StatusConverting:
        setState(Converting);
        break;
    case ConvertItem::StatusError:
        endSoon(Failed);
        break;
    case ConvertItem::StatusFinished:
        endSoon(Finished);
        break;
    }
}

void ConversionJob::onItemError(int code, const QVariant &argument)
{
    if (code == ConvertItem::ItunesImportFailed || code == ConvertItem::ItunesNotInstalled)
        return;
    if (itemReason.isEmpty())
        itemReason = FailureReason::forItemError(code, argument);
}

void ConversionJob::endSoon(State end)
{
    if (ending)
        return;
    ending = true;
    // The item tells its reason, and finishes its own steps, right after
    // its status.
    QTimer::singleShot(0, this, [this, end] {
        if (end == Finished) {
            setState(Finished);
            return;
        }
        failure = itemReason.isEmpty() ? tr("the conversion failed") : itemReason;
        setState(Failed);
    });
}

void ConversionJob::setState(State state)
{
    if (isEnded() || state == jobState)
        return;
    jobState = state;
    emit changed();
    if (isEnded())
        emit ended();
}

} // namespace Tarn
