#pragma once

#include "cli/clicommand.h"
#include "cli/downloadjob.h"

#include <QCommandLineOption>
#include <QList>

namespace Tarn {

class ProgressPrinter;

// marlin-cli download URL...: downloads each page with the user's settings
// or the options of this run, side by side within the download limit, and
// optionally converts each result.
class DownloadCommand : public CliCommand
{
    Q_OBJECT
public:
    explicit DownloadCommand(QObject *parent = nullptr);
    ~DownloadCommand() override;

    QString name() const override;
    QString summary() const override;
    QString synopsis() const override;
    QString description() const override;
    void addOptions(QCommandLineParser &parser) const override;
    bool prepare(const QCommandLineParser &parser, QString *error) override;
    void start() override;
    void cancel(int signalNumber) override;

private:
    bool applyQuality(const QString &quality, QString *error);
    bool applyFormat(const QString &format, QString *error);
    bool applySubtitles(const QCommandLineParser &parser, QString *error);
    void jobChanged(int index);
    void jobEnded();
    void report();

    QCommandLineOption qualityOption;
    QCommandLineOption formatOption;
    QCommandLineOption audioOnlyOption;
    QCommandLineOption subtitlesOption;
    QCommandLineOption languagesOption;
    QCommandLineOption outputOption;
    QCommandLineOption convertOption;
    QCommandLineOption keepOption;
    QCommandLineOption jobsOption;
    QCommandLineOption allowHostOption;
    QCommandLineOption quietOption;

    QStringList urls;
    // As the command line gave them.
    QStringList addresses;
    DownloadJob::Request request;
    bool quiet = false;
    bool keepDownload = false;
    int interruptedBy = 0;
    QList<DownloadJob *> jobs;
    QList<int> rows;
    ProgressPrinter *printer = nullptr;
};

} // namespace Tarn
