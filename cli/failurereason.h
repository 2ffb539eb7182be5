#pragma once

#include <QCoreApplication>
#include <QString>
#include <QVariant>

namespace Tarn {

// Readable reasons for the codes that downloads and conversions end with.
class FailureReason
{
    Q_DECLARE_TR_FUNCTIONS(Tarn::FailureReason)
public:
    // A code of a download task or of the back end's downloader; empty for
    // 0 (no code known).
    static QString forDownloadCode(qint32 code);
    // A code of a convert task or of the back end's converter.
    static QString forConvertCode(qint32 code);
    // A code of an item's error(int, QVariant) with its argument.
    static QString forItemError(int code, const QVariant &argument);
    // The lines of the extractor tool's error output that say what went
    // wrong: its "ERROR" lines when it wrote some, else everything.
    static QString fromToolOutput(const QString &text);
};

} // namespace Tarn
