#include "marlin/platform/desktopfiles.h"

#include "shared/kellog.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>

#ifdef MARLIN_HAS_DBUS
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#endif

namespace Tarn {

namespace {

QString openProgramOverride;
QString fileManagerServiceOverride;

constexpr int FileManagerTimeoutMs = 3000;

QString openProgram()
{
    if (!openProgramOverride.isEmpty())
        return openProgramOverride;
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    return QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
#else
    return QString();
#endif
}

QString fileManagerService()
{
    return fileManagerServiceOverride.isEmpty() ? QStringLiteral("org.freedesktop.FileManager1")
                                                : fileManagerServiceOverride;
}

} // namespace

void DesktopFiles::setOpenProgram(const QString &program)
{
    openProgramOverride = program;
}

void DesktopFiles::setFileManagerService(const QString &service)
{
    fileManagerServiceOverride = service;
}

bool DesktopFiles::openFolder(const QString &folder)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

bool DesktopFiles::openUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

void DesktopFiles::showInFolder(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile()) {
        openFolder(path);
        return;
    }
    const QString folder = info.absolutePath();
#ifdef MARLIN_HAS_DBUS
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        QDBusMessage call = QDBusMessage::createMethodCall(fileManagerService(),
                                                           QStringLiteral("/org/freedesktop/FileManager1"),
                                                           QStringLiteral("org.freedesktop.FileManager1"),
                                                           QStringLiteral("ShowItems"));
        call << QStringList{QUrl::fromLocalFile(info.absoluteFilePath()).toString()} << QString();
        auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, FileManagerTimeoutMs));
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [watcher, folder] {
            if (watcher->isError()) {
                KEL_INFO("File manager did not answer (%s); opening the folder.",
                             qPrintable(watcher->error().message()));
                openFolder(folder);
            }
            watcher->deleteLater();
        });
        return;
    }
#endif
    openFolder(folder);
}

void DesktopFiles::openFile(const QString &file, QObject *context, const std::function<void(bool)> &done)
{
    const QString program = openProgram();
    if (program.isEmpty()) {
        const bool ok = QDesktopServices::openUrl(QUrl::fromLocalFile(file));
        if (!ok && done)
            done(false);
        return;
    }
    // The opener reports whether a program took the file. It may wait for
    // that program to end, so it has no parent: it outlives the page and
    // is never killed with it.
    auto *process = new QProcess;
    QPointer<QObject> guard(context);
    QObject::connect(process, &QProcess::finished, process, [process, guard, done](int code, QProcess::ExitStatus status) {
        if ((status != QProcess::NormalExit || code != 0) && guard && done)
            done(false);
        process->deleteLater();
    });
    QObject::connect(process, &QProcess::errorOccurred, process, [process, guard, done](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        if (guard && done)
            done(false);
        process->deleteLater();
    });
    process->setProgram(program);
    process->setArguments({file});
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start();
}

} // namespace Tarn
