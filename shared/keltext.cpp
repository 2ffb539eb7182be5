#include "shared/keltext.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace Kel {
namespace Text {

namespace {

// Replaces every match of re by the character whose code is capture 1 read in
// the given base; the text between matches is kept. Codes that name no
// character stay as they were. A "\\uXXXX" surrogate is kept as a UTF-16 unit,
// so an escaped surrogate pair decodes to its one character.
QString replaceCodes(const QString &text, const QRegularExpression &re, int base)
{
    QString result;
    result.reserve(text.size());
    qsizetype last = 0;
    auto it = re.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        result += QStringView(text).mid(last, m.capturedStart() - last);
        bool ok = false;
        const uint code = m.captured(1).toUInt(&ok, base);
        if (ok && code <= 0xFFFF)
            result += QChar(char16_t(code));
        else if (ok && code <= 0x10FFFF)
            result += QString::fromUcs4(reinterpret_cast<const char32_t *>(&code), 1);
        else
            result += m.captured(0);
        last = m.capturedEnd();
    }
    result += QStringView(text).mid(last);
    return result;
}

} // namespace

QString decodeEntities(const QString &text)
{
    static const QRegularExpression re(QStringLiteral("&#(\\d+);"));
    return replaceCodes(text, re, 10);
}

QString decodeEscapes(const QString &text)
{
    static const QRegularExpression re(QStringLiteral("\\\\u([0-9a-fA-F]{4})"));
    return replaceCodes(text, re, 16);
}

bool isWebAddress(const QString &text)
{
    static const QRegularExpression re(QStringLiteral("^http[s]?://[\\S]+$"));
    return re.match(text).hasMatch();
}

bool isValidPath(const QString &path)
{
    static const QString forbidden = QStringLiteral("*?\"<>|");
    if (path.isEmpty() || path.size() >= 248)
        return false;
    for (const QChar c : path) {
        if (forbidden.contains(c))
            return false;
    }
    return true;
}

bool isValidFileName(const QString &name)
{
    static const QString forbidden = QStringLiteral("/\\:*?\"<>|");
    if (name.isEmpty() || name.size() >= 248 || name.endsWith(QLatin1Char('.')))
        return false;
    for (const QChar c : name) {
        if (forbidden.contains(c))
            return false;
    }
    return true;
}

QString mountRoot(const QString &path)
{
    static const QString volumes = QStringLiteral("/Volumes/");
    const qsizetype at = path.indexOf(volumes);
    if (at < 0)
        return QStringLiteral("/");
    const qsizetype next = path.indexOf(QLatin1Char('/'), at + volumes.size());
    return next < 0 ? path : path.left(next);
}

QString removeTrailingSlash(const QString &path)
{
    QString result = path;
    while (result.endsWith(QLatin1Char('/')) || result.endsWith(QLatin1Char('\\')))
        result.chop(1);
    return result;
}

QString uniqueFileName(const QString &path, const QStringList &reserved)
{
    for (int i = 0;; ++i) {
        const QString candidate = numberedFileName(path, i);
        if (!QFileInfo::exists(candidate) && !reserved.contains(candidate))
            return candidate;
    }
}

QString numberedFileName(const QString &path, int n)
{
    const QFileInfo info(path);
    const QString dir = info.absolutePath();
    const QString suffix = info.suffix();
    QString name = info.completeBaseName();
    if (n > 0)
        name += QLatin1Char('(') + QString::number(n) + QLatin1Char(')');
    if (!suffix.isEmpty() || info.fileName().endsWith(QLatin1Char('.')))
        name += QLatin1Char('.') + suffix;
    return dir + QLatin1Char('/') + name;
}

} // namespace Text
} // namespace Kel
