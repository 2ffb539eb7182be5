#pragma once

#include <QString>

namespace Tarn {

// The program's standard output and standard error: UTF-8 text written at
// once, and what kind of device each one reaches.
class Console
{
public:
    static void out(const QString &text);
    static void err(const QString &text);
    // "marlin-cli: <text>\n" on standard error.
    static void error(const QString &text);

    static bool isOutputTerminal();
    // Columns of the terminal behind standard output; 80 when unknown.
    static int outputColumns();
};

} // namespace Tarn
