#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QObject>
#include <QStringList>

namespace Tarn {

// One command of the program ("info", "download", ...): its options, the
// checks made before any work starts, the work and its cancellation.
class CliCommand : public QObject
{
    Q_OBJECT
public:
    // The program's exit codes.
    enum ExitCode : int {
        ExitSuccess = 0,
        ExitJobFailed = 1,
        ExitRefused = 2,
        // Plus the signal's number.
        ExitSignalBase = 128,
    };

    explicit CliCommand(QObject *parent = nullptr);
    ~CliCommand() override;

    virtual QString name() const = 0;
    // One line for the program's help.
    virtual QString summary() const = 0;
    // What follows the program and command names in the usage line.
    virtual QString synopsis() const = 0;
    // Paragraphs after the usage line of the command's help.
    virtual QString description() const = 0;
    // Adds the command's options and arguments, "--help" apart.
    virtual void addOptions(QCommandLineParser &parser) const = 0;
    // Whether the command needs the core (settings, managers).
    virtual bool needsCore() const { return true; }

    // Reads the parsed command line and checks all that can be checked
    // before work starts, with the core open. False refuses the run, with
    // the reason in *error.
    virtual bool prepare(const QCommandLineParser &parser, QString *error) = 0;
    // Starts the work; finished() follows, possibly before this returns.
    virtual void start() = 0;
    // Cancels every job; finished() follows once they have ended.
    virtual void cancel(int signalNumber) = 0;

    // The command's help text.
    QString helpText() const;
    // "-h, --help" of every command.
    static QCommandLineOption helpOption();
    // text broken into lines of at most width characters between words.
    static QString wrapped(const QString &text, int width);
    int exitCode() const { return code; }
    bool hasFinished() const { return done; }

signals:
    void finished(int exitCode);

protected:
    // Emits finished() once.
    void finish(int exitCode);

    // Each address in the canonical form of a video page; false with the
    // first address that is not a video page in *error.
    static bool normaliseAddresses(const QStringList &addresses, QStringList *pages, QString *error);
    // Makes the extra watch host of tests and demos known, after checking
    // that it is "host[:port]"; false with the reason in *error.
    static bool allowHost(const QString &hostAndPort, QString *error);
    // An absolute path of folder, created when missing; false with the
    // reason when it cannot be written.
    static bool prepareFolder(const QString &folder, QString *absolute, QString *error);

private:
    int code = ExitSuccess;
    bool done = false;
};

} // namespace Tarn
