#pragma once

#include "cli/clicommand.h"

#include <QCommandLineOption>

namespace Tarn {

// marlin-cli profiles: the preset categories and their profiles, with the
// quick-convert profile marked.
class ProfilesCommand : public CliCommand
{
    Q_OBJECT
public:
    explicit ProfilesCommand(QObject *parent = nullptr);
    ~ProfilesCommand() override;

    QString name() const override;
    QString summary() const override;
    QString synopsis() const override;
    QString description() const override;
    void addOptions(QCommandLineParser &parser) const override;
    bool prepare(const QCommandLineParser &parser, QString *error) override;
    void start() override;
    void cancel(int signalNumber) override;

private:
    QString text() const;
    QString json() const;

    QCommandLineOption jsonOption;
    bool asJson = false;
};

} // namespace Tarn
