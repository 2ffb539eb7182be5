#pragma once

#include <QCoreApplication>
#include <QString>
#include <QVariant>

namespace Tarn {

// Readable reasons for the ends of downloads and conversions, on one line.
class FailureReason
{
    Q_DECLARE_TR_FUNCTIONS(Tarn::FailureReason)
public:
    // An item's error(int, QVariant): the back end's words it carries, or a
    // text for its code.
    static QString forItemError(int code, const QVariant &argument);
    // The lines of the extractor tool's error output that say what went
    // wrong: its "ERROR" lines when it wrote some, else everything.
    static QString fromToolOutput(const QString &text);
    // Several lines as one.
    static QString oneLine(const QString &text);
};

} // namespace Tarn
