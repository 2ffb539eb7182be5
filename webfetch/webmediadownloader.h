#pragma once

#include "shared/mediaprofile.h"
#include "shared/subtitlesetting.h"
#include "webfetch/webfetchglobal.h"

#include <QObject>
#include <QString>

namespace Kel {

// Downloads one quality of one page into a file. Progress and the outcome
// come as signals; error codes are negative: -1 no format, or the tool did
// not run; -4 the tool ended with an error; -5 the tool crashed; -7 ffmpeg
// did not run, failed or crashed while merging; -8 the final rename failed;
// -9 the result is broken (it does not open, lacks a chosen stream, or ends
// early). errorText() tells why in words.
class WEBFETCH_EXPORT WebMediaDownloader : public QObject
{
    Q_OBJECT

public:
    explicit WebMediaDownloader(QObject *parent = nullptr);
    ~WebMediaDownloader() override;

    // Why the last download failed, for the user: the tool's or ffmpeg's own
    // words where they gave some. Set before error() is emitted.
    virtual QString errorText() const = 0;

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
