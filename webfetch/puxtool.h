#pragma once

#include "webfetch/webfetchglobal.h"

#include <QMetaType>
#include <QString>

#include <memory>

namespace Kel {

class PuxFileLock;

// The extractor tool as one run starts it: the archive that was chosen, its
// digest, and the folder of its unpacked copy, or no folder when the archive
// itself runs. While a value that names a copy lives, no process removes
// that copy, so a run keeps its value until its process has ended.
class WEBFETCH_EXPORT PuxTool
{
public:
    PuxTool() = default;
    explicit PuxTool(const QString &archivePath);

    QString archivePath() const { return archive; }
    // SHA-256 of the archive, lower-case hexadecimal; empty when unknown.
    QString digest() const { return sha256; }
    // The unpacked copy; empty when the archive runs.
    QString copyFolder() const { return copy; }
    bool isCopy() const { return !copy.isEmpty(); }
    // What the interpreter is given to run: the copy's folder or the archive.
    QString runPath() const { return copy.isEmpty() ? archive : copy; }

    bool operator==(const PuxTool &other) const;
    bool operator!=(const PuxTool &other) const { return !(*this == other); }

private:
    friend class PuxToolCache;

    QString archive;
    QString sha256;
    QString copy;
    std::shared_ptr<PuxFileLock> lease;
};

} // namespace Kel

Q_DECLARE_METATYPE(Kel::PuxTool)
