#pragma once

#include <QStringList>

namespace Kel {

// One command of an outside program, kept twice: as the argument list that
// is started (no shell, no splitting: an address or file name can never
// become an option) and as the text that goes to the log.
class PuxCommand
{
public:
    PuxCommand() = default;
    // The program's text starts the log form: "\"<program>\" ".
    explicit PuxCommand(const QString &program);

    // A run of the extractor tool: the interpreter in isolated mode, the
    // tool, and "--ignore-config" before any other option.
    static PuxCommand toolCommand(const QString &interpreter, const QString &toolPath);

    // Appends the log text and the arguments it stands for.
    PuxCommand &add(const QString &logText, const QStringList &arguments = QStringList());
    // An argument whose log text is the argument followed by one blank.
    PuxCommand &addArgument(const QString &argument);

    QString program() const { return m_program; }
    QStringList arguments() const { return m_arguments; }
    QString text() const { return m_text; }

private:
    QString m_program;
    QStringList m_arguments;
    QString m_text;
};

} // namespace Kel
