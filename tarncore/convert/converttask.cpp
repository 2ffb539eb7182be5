#include "tarncore/convert/converttask.h"

#include "shared/kellog.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/task/taskpool.h"
#include "transcoder/mediaconverter.h"
#include "transcoder/mediaconverterfactory.h"

namespace Tarn {

ConvertTask::ConvertTask(Kel::TaskPool *pool)
    : Kel::ProgressedTask(pool)
{
}

ConvertTask::~ConvertTask()
{
    // A converter still running ends its ffmpeg and removes the unfinished
    // target when it goes.
    delete converter;
}

QString ConvertTask::makeTaskKey(const ConvertParameters &params)
{
    return QStringLiteral("%1 : %2").arg(params.getDestFile(), params.getConvertProfile().toString());
}

void ConvertTask::convert(const ConvertParameters &params)
{
    if (converter)
        return;
    converter = Kel::MediaConverterFactory::instance()->createConverter();
    parameters = params;
    Kel::Log::writeLog(Kel::Log::Info, "", "ConvertTask", "Tarn::ConvertTask::convert", __LINE__,
                       "ConvertParameters : %s\n", qPrintable(parameters.toString()));

    connect(converter, &Kel::MediaConverter::progress, this, &ConvertTask::progress);
    connect(converter, &Kel::MediaConverter::started, this, &ConvertTask::onConvertStarted);
    connect(converter, &Kel::MediaConverter::error, this, &ConvertTask::onConvertError);
    connect(converter, &Kel::MediaConverter::finished, this, &ConvertTask::onConvertFinished);

    Kel::TaskPool *pool = getPool();
    if (!pool)
        return;
    // A task the pool does not take would never start; its item must learn
    // that the conversion did not happen.
    if (!parameters.isValid()) {
        KEL_ERROR("Conversion refused (%d): invalid parameters", InvalidParameters);
        fail(InvalidParameters, tr("The conversion has no source, destination or profile."));
        return;
    }
    const QString taskKey = makeTaskKey(parameters);
    if (pool->isKeyTaken(taskKey) || !pool->addTask(taskKey, this)) {
        KEL_ERROR("Conversion refused (%d): %s is under way", DuplicateConversion, qUtf8Printable(taskKey));
        fail(DuplicateConversion, tr("The same conversion is already running."));
    }
}

QString ConvertTask::getResultFile() const
{
    return converter ? converter->resultFile() : QString();
}

QString ConvertTask::key() const
{
    return makeTaskKey(parameters);
}

bool ConvertTask::isValid() const
{
    return true;
}

void ConvertTask::run()
{
    if (!converter)
        return;
    Kel::ConvertJob job;
    job.source = parameters.getSrcFile();
    job.target = parameters.getDestFile();
    job.profile = parameters.getConvertProfile();
    job.sourceInfo = parameters.getSrcMediaInfo();
    job.ffmpegDir = AppContext::getAppDir();
    job.keepSubtitles = parameters.getKeepSubtitles();
    job.durationLimit = parameters.getConvertDuration();
    converter->convert(job);
    setStatus(Running);
}

void ConvertTask::pause()
{
    if (status() == Running && (!converter || !converter->pause()))
        return;
    setStatus(Paused);
}

void ConvertTask::resume()
{
    if (converter)
        converter->resume();
    setStatus(Running);
}

void ConvertTask::cancel()
{
    if (converter)
        converter->cancel();
    setStatus(Canceled);
}

void ConvertTask::clear()
{
    if (converter)
        converter->clear();
}

void ConvertTask::onConvertStarted()
{
    setStatus(Running);
}

void ConvertTask::onConvertFinished()
{
    setStatus(Finished);
}

void ConvertTask::onConvertError(qint32 errorCode)
{
    fail(errorCode, converter ? converter->errorText() : QString());
}

void ConvertTask::fail(qint32 code, const QString &text)
{
    setErrorText(text);
    setErrorCode(code);
    setStatus(Error);
}

} // namespace Tarn
