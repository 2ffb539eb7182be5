#pragma once

#include "cli/clicommand.h"
#include "shared/filemediainfo.h"
#include "shared/mediaprofile.h"

#include <QCommandLineOption>
#include <QList>

namespace Tarn {

class ConversionJob;
class ProgressPrinter;

// marlin-cli convert FILE... --profile NAME: converts local media files
// with a preset profile, side by side within the conversion limit.
class ConvertCommand : public CliCommand
{
    Q_OBJECT
public:
    explicit ConvertCommand(QObject *parent = nullptr);
    ~ConvertCommand() override;

    QString name() const override;
    QString summary() const override;
    QString synopsis() const override;
    QString description() const override;
    void addOptions(QCommandLineParser &parser) const override;
    bool prepare(const QCommandLineParser &parser, QString *error) override;
    void start() override;
    void cancel(int signalNumber) override;

private:
    void jobChanged(int index);
    void jobEnded();
    void report();

    QCommandLineOption profileOption;
    QCommandLineOption outputOption;
    QCommandLineOption jobsOption;
    QCommandLineOption quietOption;

    struct Source
    {
        QString file;
        Kel::FileMediaInfo info;
    };
    QList<Source> sources;
    Kel::MediaProfile profile;
    bool quiet = false;
    int interruptedBy = 0;
    QList<ConversionJob *> jobs;
    QList<int> rows;
    ProgressPrinter *printer = nullptr;
};

} // namespace Tarn
