#pragma once

#include "shared/filemediainfo.h"
#include "shared/mediaprofile.h"
#include "shared/progress.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

namespace Tarn {

class ConvertItem;

// One local file of the convert command: converts it through a convert
// item of the convert list and follows the item to its end. The item
// belongs to the data manager.
class ConversionJob : public QObject
{
    Q_OBJECT
public:
    enum State {
        Waiting,
        Converting,
        Finished,
        Failed,
        Cancelled,
    };
    Q_ENUM(State)

    // source has been probed: sourceInfo describes it.
    ConversionJob(const QString &source, const Kel::FileMediaInfo &sourceInfo, const Kel::MediaProfile &profile,
                  QObject *parent = nullptr);
    ~ConversionJob() override;

    void start();
    // Stops the conversion and removes its unfinished result; ended()
    // follows before this returns.
    void cancel();

    QString source() const { return sourceFile; }
    State state() const { return jobState; }
    bool isEnded() const { return jobState == Finished || jobState == Failed || jobState == Cancelled; }
    QString stateText() const;
    Kel::Progress progress() const;
    QString reason() const { return failure; }
    QString resultFile() const;

signals:
    void changed();
    void ended();

private:
    void onStatusChanged();
    void onItemError(int code, const QVariant &argument);
    void endSoon(State end);
    void setState(State state);

    QString sourceFile;
    Kel::FileMediaInfo sourceInfo;
    Kel::MediaProfile profile;
    State jobState = Waiting;
    QString failure;
    QString itemReason;
    bool ending = false;
    QPointer<ConvertItem> item;
};

} // namespace Tarn
