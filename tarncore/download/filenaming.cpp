#include "tarncore/download/filenaming.h"

#include "shared/webmediainfo.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QTextBoundaryFinder>
#include <QUrl>

namespace Tarn {

int FileNaming::encodedLength(const QString &name)
{
    return QFile::encodeName(name).size();
}

QString FileNaming::fitToBytes(const QString &text, int maxBytes)
{
    if (maxBytes <= 0)
        return QString();
    if (encodedLength(text) <= maxBytes)
        return text;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int fitting = 0;
    for (int position = finder.toNextBoundary(); position > 0; position = finder.toNextBoundary()) {
        if (encodedLength(text.left(position)) > maxBytes)
            break;
        fitting = position;
    }
    return text.left(fitting);
}

QString FileNaming::safeText(const QString &text)
{
    const QList<uint> codePoints = Kel::WebMediaInfo::makeFileTitle(text).toUcs4();
    QString result;
    result.reserve(codePoints.size());
    for (const uint c : codePoints) {
        switch (QChar::category(char32_t(c))) {
        case QChar::Other_Format:
            // The joiners shape the letters of Persian and Indic scripts and
            // join emoji; they reorder and hide nothing.
            if (c == 0x200C || c == 0x200D)
                result += QChar(char16_t(c));
            break;
        case QChar::Other_Control:
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
            result += QLatin1Char(' ');
            break;
        default:
            if (QChar::requiresSurrogates(c)) {
                result += QChar(QChar::highSurrogate(c));
                result += QChar(QChar::lowSurrogate(c));
            } else {
                result += QChar(char16_t(c));
            }
            break;
        }
    }
    return result;
}

QString FileNaming::safeTitle(const QString &title)
{
    const QString text = safeText(title);
    qsizetype lead = 0;
    bool dotOrDash = false;
    while (lead < text.size()) {
        const QChar c = text.at(lead);
        if (c == QLatin1Char('.') || c == QLatin1Char('-'))
            dotOrDash = true;
        else if (!c.isSpace())
            break;
        ++lead;
    }
    return dotOrDash ? text.mid(lead) : text;
}

QString FileNaming::fitTitle(const QString &title, const QString &tail)
{
    const int room = MaxFileNameBytes - ReservedBytes - encodedLength(tail);
    const QString fitted = fitToBytes(title, room);
    // A cut title should not end in the blank before the cut word.
    return fitted.size() < title.size() ? fitted.trimmed() : fitted;
}

QString FileNaming::downloadFileName(const QString &fileTitle, const QString &label, const QString &suffix)
{
    QString tail = QLatin1Char('.') + suffix;
    if (!label.isEmpty())
        tail.prepend(QStringLiteral("[%1]").arg(safeText(label)));
    QString title = safeTitle(fileTitle);
    // Without a label an empty title would leave a hidden ".suffix".
    if (title.isEmpty() && label.isEmpty())
        title = QCoreApplication::translate("Tarn::FileNaming", "Untitled");
    return fitTitle(title, tail) + tail;
}

QString FileNaming::thumbnailFileName(const QString &fileTitle, const QString &pageUrl, const QString &suffix)
{
    const QByteArray digest = QCryptographicHash::hash(pageUrl.toUtf8(), QCryptographicHash::Sha1).toHex();
    QString tail = QStringLiteral(" %1").arg(QString::fromLatin1(digest.left(16)));
    if (!suffix.isEmpty())
        tail += QLatin1Char('.') + suffix;
    return fitTitle(safeTitle(fileTitle), tail) + tail;
}

QString FileNaming::urlSuffix(const QString &url)
{
    const QString path = QUrl(url).path();
    return QFileInfo(path.isEmpty() ? url : path).suffix();
}

} // namespace Tarn
