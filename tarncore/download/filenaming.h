#pragma once

#include "tarncore/tarncoreglobal.h"

#include <QString>

namespace Tarn {

// The names of the files that downloads and thumbnails are written to.
//
// File systems limit a name to 255 bytes. Titles are shortened, at a
// character boundary, so that a whole name fits with room to spare for a
// later "(n)" of a duplicate and for the suffixes of temporary files made
// from the name (ReservedBytes).
class TARNCORE_EXPORT FileNaming
{
public:
    static constexpr int MaxFileNameBytes = 255;
    static constexpr int ReservedBytes = 32;

    // The bytes of a name as the file system stores it.
    static int encodedLength(const QString &name);
    // text, shortened at a boundary between user-perceived characters so
    // that it takes at most maxBytes.
    static QString fitToBytes(const QString &text, int maxBytes);
    // A text with the characters that a file name cannot hold (/ \ : * ? "
    // < > |, control characters and line breaks) replaced by a blank, and
    // invisible format characters (such as a right-to-left override, which
    // can disguise a name's type) left out.
    static QString safeText(const QString &text);
    // safeText() of a title, without the dots, dashes and blanks it starts
    // with when it starts with a dot or a dash: such a name would be hidden
    // or read as an option. Empty when nothing is left.
    static QString safeTitle(const QString &title);

    // "<title>[<label>].<suffix>", the title shortened to fit; without a
    // label "<title>.<suffix>".
    static QString downloadFileName(const QString &fileTitle, const QString &label, const QString &suffix);
    // "<title> <page key>.<suffix>": the page key (16 hexadecimal digits of
    // the page address's digest) tells apart two pages of the same title.
    // Without a suffix the name has no dot.
    static QString thumbnailFileName(const QString &fileTitle, const QString &pageUrl, const QString &suffix);
    // The file suffix of an address's path ("jpg" of ".../a.jpg?x=1").
    static QString urlSuffix(const QString &url);

private:
    // title shortened so that the name that surrounds it with tail fits.
    static QString fitTitle(const QString &title, const QString &tail);
};

} // namespace Tarn
