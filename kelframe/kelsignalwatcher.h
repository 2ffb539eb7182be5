#pragma once

#include "kelframe/kelframeglobal.h"

#include <QList>
#include <QObject>

class QSocketNotifier;

// Turns the signals that ask a program to end into a Qt signal of the main
// thread, so that the program can cancel its work and remove its unfinished
// files instead of dying: SIGINT (Ctrl-C), SIGTERM, SIGHUP (the terminal was
// closed) and SIGQUIT. While it is installed a closed output pipe no longer
// kills the program either. One installed watcher per process.
class KELFRAME_EXPORT KelSignalWatcher : public QObject
{
    Q_OBJECT
public:
    explicit KelSignalWatcher(QObject *parent = nullptr);
    // Gives the signals back the handling they had before install().
    ~KelSignalWatcher() override;

    // The signals watched.
    static QList<int> endingSignals();

    // False when the handlers could not be installed, or another watcher of
    // this process is installed.
    bool install();
    bool isInstalled() const { return installed; }

signals:
    // From the event loop of the thread the watcher lives in.
    void signalReceived(int signalNumber);

private:
    void readSignals();
    void uninstall();

    QSocketNotifier *notifier = nullptr;
    bool installed = false;
};
