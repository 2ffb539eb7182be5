#pragma once

#include "shared/progress.h"
#include "webfetch/webmediadownloader.h"

#include <QList>
#include <QSignalSpy>
#include <QStringList>

// Watches one downloader: everything it signals, and the files of its folder.
class DownloadRun
{
public:
    explicit DownloadRun(Kel::WebMediaDownloader *downloader);

    // Waits until the download has finished or failed.
    bool wait(int timeoutMs = 120000);
    // True when nothing at all is signalled for this long.
    bool staysSilent(int ms);

    int startedCount() const { return m_started.count(); }
    int finishedCount() const { return m_finished.count(); }
    QList<qint32> errors() const;
    QList<Kel::Progress> progress() const;
    int signalCount() const;
    // "started 2, progress 5, finished 1, errors -" for failure messages.
    QString describe() const;

    // The names of the files in a folder, hidden ones included.
    static QStringList filesIn(const QString &dir);

private:
    QSignalSpy m_started;
    QSignalSpy m_progress;
    QSignalSpy m_error;
    QSignalSpy m_finished;
};
