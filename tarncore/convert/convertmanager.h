#pragma once

#include "tarncore/convert/convertparameters.h"
#include "tarncore/task/progressedtaskpool.h"
#include "tarncore/tarncoreglobal.h"
#include "shared/filemediainfo.h"

#include <QObject>
#include <QString>

namespace Tarn {

class ConvertTask;

// Runs conversions: owns the convert pool and its limit of simultaneous
// conversions, finds a conversion again by its parameters to pause, resume
// or cancel it, and describes local media files. GUI thread only.
//
// Ended tasks are deleted once they have ended; nobody keeps a pointer to a
// task past its end.
class TARNCORE_EXPORT ConvertManager : public QObject
{
    Q_OBJECT
public:
    explicit ConvertManager(QObject *parent = nullptr);
    ~ConvertManager() override;

    // Takes the limit from the settings and starts the pool.
    void init();
    // Values of 0 or less are ignored.
    void setMaxConvertSimulaneous(int n);

    // A new task of the convert pool, not yet in it.
    ConvertTask *getConvertTask();
    ConvertTask *getConvertTask(const QString &key);
    // Each does nothing when the pool holds no task for the parameters.
    void cancelConvert(const ConvertParameters &params);
    void pauseTask(const ConvertParameters &params);
    void resumeTask(const ConvertParameters &params);
    // Cancels every conversion; true.
    bool clear();

    // Probes file; an unreadable file gives a description that is not
    // valid. With thumbnailFlag a thumbnail is written into the thumbnail
    // folder as well. Blocks while the file is read.
    Kel::FileMediaInfo getMeidaInfo(const QString &file, bool thumbnailFlag);

    Kel::ProgressedTaskPool &getConvertPool() { return convertPool; }

protected:
    void cancelAll();

private:
    static void deleteWhenEnded(Kel::Task *task);

    Kel::ProgressedTaskPool convertPool;
};

} // namespace Tarn
