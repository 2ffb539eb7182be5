#pragma once

#include "tarncore/task/progressedtask.h"

#include <QThread>

#include <functional>

// A task whose work is nothing: it records what the pool asked of it and
// moves through the statuses the way the HTTP tasks do (pause and cancel set
// the status at once). Hooks let a test give run() and resume() more to do.
class ProbeTask : public Kel::ProgressedTask
{
    Q_OBJECT
public:
    enum class PauseMode { SetPaused, Ignore };

    ProbeTask(Kel::TaskPool *pool, const QString &key, bool valid = true);

    QString key() const override;
    bool isValid() const override;
    void run() override;
    void pause() override;
    void resume() override;
    void cancel() override;
    void clear() override;

    PauseMode pauseMode = PauseMode::SetPaused;
    std::function<void(ProbeTask *)> onRun;
    std::function<void(ProbeTask *)> onResume;

    int runCalls = 0;
    int resumeCalls = 0;
    int pauseCalls = 0;
    int cancelCalls = 0;
    int clearCalls = 0;
    QThread *clearThread = nullptr;

signals:
    void runCalled();
    void resumeCalled();
    void clearCalled();

private:
    QString m_key;
    bool m_valid;
};
