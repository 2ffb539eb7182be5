#pragma once

#include <QObject>

class QSocketNotifier;

namespace Tarn {

// Turns SIGINT and SIGTERM into a Qt signal of the main thread, so that an
// interrupted run can cancel its work and clean up instead of dying. While
// it is installed a closed output pipe no longer kills the program either.
// One watcher per process.
class SignalWatcher : public QObject
{
    Q_OBJECT
public:
    explicit SignalWatcher(QObject *parent = nullptr);
    // Gives SIGINT and SIGTERM back their default handling.
    ~SignalWatcher() override;

    // False when the handlers could not be installed.
    bool install();

signals:
    void signalReceived(int signalNumber);

private:
    void readSignals();

    QSocketNotifier *notifier = nullptr;
    bool installed = false;
};

} // namespace Tarn
