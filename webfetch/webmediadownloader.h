#pragma once

#include "shared/mediaprofile.h"
#include "shared/subtitlesetting.h"
#include "webfetch/webfetchglobal.h"

#include <QObject>
#include <QString>

namespace Kel {

// Downloads one quality of one page into a file. Progress and the outcome
// come as signals; error codes are negative (-1 no format or the tool did
// not run, -4 abnormal exit, -5 crash, -7 ffmpeg did not run, -8 the final
// rename failed).
class WEBFETCH_EXPORT WebMediaDownloader : public QObject
{
    Q_OBJECT

public:
    explicit WebMediaDownloader(QObject *parent = nullptr);
    ~WebMediaDownloader() override;

    // Where the finished download is: its destination, or the next free
    // numbered name when another program took the destination meanwhile.
    // Empty until finished() has been emitted.
    QString resultFile() const { return m_resultFile; }

signals:
    void started();
    void progress(qint64 total, qint64 finish, qint64 speed);
    void error(qint32 errorCode);
    void finished();

public slots:
    virtual void download(QString url, Kel::MediaProfile profile, Kel::SubtitleSetting subtitles,
                          QString destFile) = 0;
    virtual bool cancel() = 0;
    virtual void clear() = 0;

protected:
    void setResultFile(const QString &file) { m_resultFile = file; }

private:
    QString m_resultFile;
};

} // namespace Kel
