#pragma once

#include <QObject>
#include <QStringList>

#include <memory>
#include <vector>

namespace Tarn {

class CliCommand;

// The command-line program: picks the command, serves the help, checks the
// command line, opens the core for the run, runs the command until it ends
// or a signal cancels it, and gives the exit code.
class CliApplication : public QObject
{
    Q_OBJECT
public:
    explicit CliApplication(QObject *parent = nullptr);
    ~CliApplication() override;

    // Keeps the libraries' diagnostic log off standard output, before any
    // of them writes: the file alone unless the user chose, and never
    // standard output.
    static void prepareEnvironment();

    // Runs the program's arguments (the program name first); the exit code.
    int run(const QStringList &arguments);

    QString helpText() const;

private:
    CliCommand *command(const QString &name) const;
    int runCommand(CliCommand *command, const QStringList &arguments);

    std::vector<std::unique_ptr<CliCommand>> commands;
};

} // namespace Tarn
