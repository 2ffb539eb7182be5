#pragma once

#include "transcoder/convertjob.h"
#include "transcoder/transcoderglobal.h"

#include <QObject>
#include <QString>

namespace Kel {

// A converter of one local media file into another, driven through signals.
class TRANSCODER_EXPORT MediaConverter : public QObject
{
    Q_OBJECT

public:
    // Codes carried by error(qint32).
    enum ErrorCode : qint32 {
        ConverterFailed = -4,     // the converter ended with a non-zero exit code
        ConverterCrashed = -5,    // the converter crashed or was killed from outside
        ConverterNotStarted = -6, // the converter program is missing or cannot be run
    };
    Q_ENUM(ErrorCode)

    explicit MediaConverter(QObject *parent = nullptr);
    ~MediaConverter() override;

    // Why the last conversion failed, for the user: ffmpeg's own words where
    // it gave some. Set before error() is emitted.
    virtual QString errorText() const = 0;

    // Where the finished conversion's result is: its target, or the next
    // free numbered name when another program took the target meanwhile.
    // Empty until finished() has been emitted.
    QString resultFile() const { return m_resultFile; }

signals:
    void started();
    // total 100 and finish in percent; speed -1 while paused, else 0.
    void progress(qint64 total, qint64 finish, qint64 speed);
    void error(qint32 errorCode);
    void finished();

public slots:
    virtual void convert(Kel::ConvertJob job) = 0;
    virtual bool pause() = 0;
    virtual bool resume() = 0;
    // Stops the conversion at once and removes the unfinished target.
    virtual void cancel() = 0;
    // Releases the conversion: removes the target unless the conversion succeeded.
    virtual void clear() = 0;

protected:
    void setResultFile(const QString &file) { m_resultFile = file; }

private:
    QString m_resultFile;
};

} // namespace Kel
