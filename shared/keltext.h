#pragma once

#include <QStringList>

namespace Kel {

// Decoding of the extractor tool's text, and checks of addresses, paths and
// file names.
namespace Text {

// "&#65;&#66;" -> "AB"
QString decodeEntities(const QString &text);
// "\u00e9" -> "é"
QString decodeEscapes(const QString &text);

// The whole text is an http or https address without blanks.
bool isWebAddress(const QString &text);
// Non-empty, shorter than 248 characters, none of * ? " < > |
bool isValidPath(const QString &path);
// Non-empty, shorter than 248 characters, none of / \ : * ? " < > |, and not
// ending with a full stop.
bool isValidFileName(const QString &name);
// The volume root of a path below "/Volumes/", otherwise "/".
QString mountRoot(const QString &path);
// Removes every trailing "/" or "\".
QString removeTrailingSlash(const QString &path);

// The first of "dir/base.suffix", "dir/base(1).suffix", "dir/base(2).suffix"
// ... that neither exists on disk nor is listed in reserved.
QString uniqueFileName(const QString &path, const QStringList &reserved = QStringList());
// The n-th name of that row: path itself for 0, "dir/base(n).suffix" after
// it ("dir/base(n)" for a path without a suffix).
QString numberedFileName(const QString &path, int n);

} // namespace Text
} // namespace Kel
