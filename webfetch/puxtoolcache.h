#pragma once

#include "webfetch/puxtool.h"
#include "webfetch/webfetchglobal.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QHash>
#include <QMutex>
#include <QObject>
#include <QPair>
#include <QSet>
#include <QWaitCondition>

#include <memory>

namespace Kel {

// Answers which extractor tool to run now. The archive that the updater
// chooses runs from an unpacked, byte-compiled copy in the per-user cache
// folder (PuxToolCopy), which starts as fast as an installed tool. When no
// intact copy is there yet, the archive itself runs while the copy is made
// in the background, at most one at a time for all processes together; the
// next run uses it. Without a usable cache folder every run uses the
// archive, as before copies existed.
//
// Process-wide; used from the thread that created it, apart from the
// background work it starts itself (the global thread pool, which the
// application waits for when it ends).
class WEBFETCH_EXPORT PuxToolCache : public QObject
{
    Q_OBJECT

public:
    static PuxToolCache *instance();

    // The cache folder of the copies. Empty, the default, keeps every run on
    // its archive.
    void setCacheDir(const QString &dir);
    QString cacheDir() const { return dir; }

    // The tool to run now for archivePath, checked just now: its copy when
    // one is complete and intact, else the archive (the copy is then made in
    // the background). Cheap when the copy is there: the archive's and the
    // copy's file status, nothing read but a small record.
    PuxTool toolFor(const QString &archivePath);
    // The last answer of toolFor().
    PuxTool current() const { return last; }

    // Waits until the background work this process started has ended; false
    // when msecs passed first.
    bool waitForCopies(int msecs);

Q_SIGNALS:
    // The tool to run changed: another archive (an update or a return to the
    // shipped tool), or its copy became ready or had to be made again.
    void toolChanged(const Kel::PuxTool &tool);

private Q_SLOTS:
    void refresh();

private:
    PuxToolCache();

    QString usableCacheDir();
    QString digestOf(const QString &cache, const QString &archive);
    bool lease(const QString &cache, PuxTool &tool);
    void startJob(const QString &cache, const QString &archive, const QString &digest);
    void finishJob(const QString &digest, int result);

    QString dir;
    enum class DirState { Unknown, Usable, Unusable } dirState = DirState::Unknown;
    bool tidyChecked = false;
    // Archive path -> its file key and digest.
    QHash<QString, QPair<QByteArray, QString>> digests;
    QHash<QString, std::weak_ptr<PuxFileLock>> leases;
    PuxTool last;

    // Shared with the background work.
    QMutex mutex;
    QWaitCondition jobsDone;
    int jobs = 0;
    QSet<QString> making;
    QHash<QString, QDeadlineTimer> retryAfter;
};

} // namespace Kel
