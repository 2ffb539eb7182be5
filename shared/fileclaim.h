#pragma once

#include <QString>

namespace Kel {

// Gives a finished file its final name without ever replacing another file:
// a result is written under a temporary name in its destination folder and
// then claimed here. Two programs finishing at the same moment never take
// the same name; the later one gets the next free "(n)" name.
class FileClaim
{
public:
    // Moves from to wanted, or to the first of wanted's numbered names (see
    // Text::numberedFileName) that is free at that moment, atomically. The
    // final path; empty on failure, with the reason in *error and from left
    // where it was.
    static QString moveToFreeName(const QString &from, const QString &wanted, QString *error = nullptr);

    // Moves from to exactly to, unless to exists. 0 on success, else the
    // system's error code (EEXIST when the name is taken).
    static int moveNoReplace(const QString &from, const QString &to);

    // Creates an empty file that did not exist before in folder, named
    // "<stamp of this run><n><marker>.<suffix>". Its path; empty on failure,
    // with the reason in *error.
    static QString createTemporary(const QString &folder, const QString &marker, const QString &suffix,
                                   QString *error = nullptr);
};

} // namespace Kel
