#include "cli/console.h"

#include <cstdio>
#include <sys/ioctl.h>
#include <unistd.h>

namespace Tarn {

namespace {

void write(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    // A reader that went away (a closed pipe) is no reason to stop the work.
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream) == size_t(bytes.size()))
        std::fflush(stream);
    else
        std::clearerr(stream);
}

} // namespace

void Console::out(const QString &text)
{
    write(stdout, text);
}

void Console::err(const QString &text)
{
    write(stderr, text);
}

void Console::error(const QString &text)
{
    err(QStringLiteral("marlin-cli: %1\n").arg(text));
}

bool Console::isOutputTerminal()
{
    return ::isatty(STDOUT_FILENO) == 1;
}

int Console::outputColumns()
{
    struct winsize size = {};
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

} // namespace Tarn
