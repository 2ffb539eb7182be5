#include "webfetch/puxcommand.h"

#include <QFileInfo>

namespace Kel {

PuxCommand::PuxCommand(const QString &program)
    : m_program(program), m_text(QStringLiteral("\"%1\" ").arg(program))
{
}

PuxCommand PuxCommand::toolCommand(const QString &interpreter, const QString &toolPath)
{
    // The tool path is made absolute: every run starts in the private
    // working folder.
    const QString tool = toolPath.isEmpty() ? toolPath : QFileInfo(toolPath).absoluteFilePath();
    PuxCommand command(interpreter);
    // Isolated: no PYTHON* variables, no user site packages, nothing
    // imported from the working folder.
    command.add(QStringLiteral("-I "), {QStringLiteral("-I")});
    command.add(QStringLiteral("\"%1\"").arg(toolPath), {tool});
    // No configuration file anywhere (the starting folder, the user's, the
    // system's) may add options such as --exec or -f to our runs.
    command.add(QStringLiteral(" --ignore-config"), {QStringLiteral("--ignore-config")});
    return command;
}

PuxCommand &PuxCommand::add(const QString &logText, const QStringList &arguments)
{
    m_text += logText;
    m_arguments += arguments;
    return *this;
}

PuxCommand &PuxCommand::addArgument(const QString &argument)
{
    return add(argument + QLatin1Char(' '), {argument});
}

} // namespace Kel
