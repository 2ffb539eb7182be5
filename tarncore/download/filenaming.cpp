#include "tarncore/download/filenaming.h"

#include "shared/webmediainfo.h"

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

QString FileNaming::safeTitle(const QString &title)
{
    QString result = Kel::WebMediaInfo::makeFileTitle(title);
    for (QChar &c : result) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QLatin1Char(' ');
    }
    return result;
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
        tail.prepend(QStringLiteral("[%1]").arg(safeTitle(label)));
    return fitTitle(safeTitle(fileTitle), tail) + tail;
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
