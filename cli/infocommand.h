#pragma once

#include "cli/clicommand.h"
#include "shared/webmediainfo.h"

#include <QCommandLineOption>
#include <QList>
#include <QSet>

namespace Tarn {

// marlin-cli info URL...: the media information of each page, asked for
// side by side and printed in the order of the command line.
class InfoCommand : public CliCommand
{
    Q_OBJECT
public:
    explicit InfoCommand(QObject *parent = nullptr);
    ~InfoCommand() override;

    QString name() const override;
    QString summary() const override;
    QString synopsis() const override;
    QString description() const override;
    void addOptions(QCommandLineParser &parser) const override;
    bool prepare(const QCommandLineParser &parser, QString *error) override;
    void start() override;
    void cancel(int signalNumber) override;

private:
    struct Page
    {
        QString url;
        // As the command line gave it.
        QString address;
        bool answered = false;
        bool done = false;
        QString error;
        // Addresses of qualities whose size is still being asked for.
        QSet<QString> pendingSizes;
    };

    void receiveMediaInfo(const Kel::WebMediaInfo &info);
    void receiveMediaSize(const QString &page, const QString &profileUrl, qint64 size);
    void pageDone(int index);
    void printDonePages();

    QCommandLineOption jsonOption;
    QCommandLineOption noSizesOption;
    QCommandLineOption allowHostOption;
    QList<Page> pages;
    int printed = 0;
    int failures = 0;
    bool asJson = false;
    bool waitForSizes = true;
};

} // namespace Tarn
