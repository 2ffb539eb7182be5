#pragma once

#include <QString>

namespace Kel {

// The record of an unpacked tool copy, written last into its folder: every
// file and folder below it with its size and times. A copy whose record is
// missing, or whose files were changed, removed or added since, is not used.
// The check only asks the file system for each entry's status; it reads no
// file but the record.
class PuxToolManifest
{
public:
    static const QString FileName;

    // Records every entry below folder except the record itself and the
    // names in skip; the header names the tool's digest.
    static bool write(const QString &folder, const QString &digest, const QStringList &skip, QString *error);
    // True when the record exists, names digest and still matches every entry.
    static bool verify(const QString &folder, const QString &digest);
};

} // namespace Kel
