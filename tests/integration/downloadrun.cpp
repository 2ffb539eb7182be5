#include "downloadrun.h"

#include <QDir>
#include <QtTest>

DownloadRun::DownloadRun(Kel::WebMediaDownloader *downloader)
    : m_started(downloader, &Kel::WebMediaDownloader::started),
      m_progress(downloader, &Kel::WebMediaDownloader::progress),
      m_error(downloader, &Kel::WebMediaDownloader::error),
      m_finished(downloader, &Kel::WebMediaDownloader::finished)
{
}

bool DownloadRun::wait(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (m_finished.isEmpty() && m_error.isEmpty()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QTest::qWait(20);
    }
    return true;
}

bool DownloadRun::staysSilent(int ms)
{
    const int before = signalCount();
    QTest::qWait(ms);
    return signalCount() == before;
}

QList<qint32> DownloadRun::errors() const
{
    QList<qint32> codes;
    for (const QList<QVariant> &args : m_error)
        codes += args.first().toInt();
    return codes;
}

QList<Kel::Progress> DownloadRun::progress() const
{
    QList<Kel::Progress> list;
    for (const QList<QVariant> &args : m_progress)
        list += Kel::Progress(args.at(0).toLongLong(), args.at(1).toLongLong(), args.at(2).toLongLong());
    return list;
}

int DownloadRun::signalCount() const
{
    return m_started.count() + m_progress.count() + m_error.count() + m_finished.count();
}

QString DownloadRun::describe() const
{
    QStringList codes;
    for (qint32 code : errors())
        codes += QString::number(code);
    return QStringLiteral("started %1, progress %2, finished %3, errors %4")
        .arg(m_started.count())
        .arg(m_progress.count())
        .arg(m_finished.count())
        .arg(codes.isEmpty() ? QStringLiteral("-") : codes.join(QLatin1Char(',')));
}

QStringList DownloadRun::filesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::Dirs | QDir::NoDotAndDotDot,
                               QDir::Name);
}
