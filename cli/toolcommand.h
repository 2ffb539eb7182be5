#pragma once

#include "cli/clicommand.h"

#include <QCommandLineOption>

namespace Tarn {

class PuxUpdater;

// marlin-cli tool: the extractor tool in use (its version and where it comes
// from); with --update it checks for a newer release and installs it as the
// program does, with --revert it goes back to the tool that ships with the
// program.
class ToolCommand : public CliCommand
{
    Q_OBJECT
public:
    explicit ToolCommand(QObject *parent = nullptr);
    ~ToolCommand() override;

    QString name() const override;
    QString summary() const override;
    QString synopsis() const override;
    QString description() const override;
    void addOptions(QCommandLineParser &parser) const override;
    bool prepare(const QCommandLineParser &parser, QString *error) override;
    void start() override;
    void cancel(int signalNumber) override;

private:
    void printTool() const;
    void startUpdate();

    QCommandLineOption updateOption;
    QCommandLineOption revertOption;
    bool updating = false;
    bool reverting = false;
};

} // namespace Tarn
