#include "webfetch/puxcommand.h"

#include <QFileInfo>

namespace Kel {

PuxCommand::PuxCommand(const QString &program)
    : m_program(program), m_text(QStringLiteral("\"%1\" ").arg(program))
{
}

PuxCommand PuxCommand::toolCommand(const QString &interpreter, const QString &toolPath)
{
    // The tool path is made absolute: zipped runs change the working
    // directory.
    const QString tool = toolPath.isEmpty() ? toolPath : QFileInfo(toolPath).absoluteFilePath();
    PuxCommand command(interpreter);
    command.add(QStringLiteral("\"%1\"").arg(toolPath), {tool});
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
