#include "probetask.h"

ProbeTask::ProbeTask(Kel::TaskPool *pool, const QString &key, bool valid)
    : Kel::ProgressedTask(pool)
    , m_key(key)
    , m_valid(valid)
{
}

QString ProbeTask::key() const
{
    return m_key;
}

bool ProbeTask::isValid() const
{
    return m_valid;
}

void ProbeTask::run()
{
    ++runCalls;
    setStatus(Running);
    if (onRun)
        onRun(this);
    emit runCalled();
}

void ProbeTask::pause()
{
    ++pauseCalls;
    if (pauseMode == PauseMode::SetPaused)
        setStatus(Paused);
}

void ProbeTask::resume()
{
    ++resumeCalls;
    setStatus(Running);
    if (onResume)
        onResume(this);
    emit resumeCalled();
}

void ProbeTask::cancel()
{
    ++cancelCalls;
    setStatus(Canceled);
}

void ProbeTask::clear()
{
    ++clearCalls;
    clearThread = QThread::currentThread();
    emit clearCalled();
}
