#include "tarncore/services/itunesinteract.h"

#include "shared/kellog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QRecursiveMutex>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QUrl>

namespace Tarn {
namespace ItunesInteract {

const char *const ApplicationClassId = "{DC0C2640-1415-4644-875C-6F4D769839BA}";
const char *const AutoImportVersion = "9.1.1.11";
const char *const XmlPrefsVersion = "7.0.0.0";
const char *const DefaultAutoImportName = "Automatically Add to iTunes";

namespace {

const char *const LogFile = "ItunesInteract";

#define ITUNES_FAILURE(function, ...)                                                          \
    do {                                                                                       \
        ::Kel::Log::writeLog(::Kel::Log::Error, "", LogFile, function, __LINE__, __VA_ARGS__); \
        ::Kel::Log::traceFailure(LogFile, __LINE__, function);                                 \
    } while (false)

QString localServerKey()
{
    return QStringLiteral("CLSID\\%1\\LocalServer32").arg(QLatin1String(ApplicationClassId));
}

// The text between the first open after the key and the close after it.
QByteArray valueAfterKey(const QByteArray &data, const QByteArray &key, const QByteArray &open,
                         const QByteArray &close)
{
    const qsizetype keyAt = data.indexOf(key);
    if (keyAt < 0)
        return QByteArray();
    const qsizetype openAt = data.indexOf(open, keyAt + key.size());
    if (openAt < 0)
        return QByteArray();
    const qsizetype start = openAt + open.size();
    const qsizetype end = data.indexOf(close, start);
    if (end < 0)
        return QByteArray();
    return data.mid(start, end - start);
}

// The five named XML entities and numeric character references.
QString decodeXmlText(const QString &text)
{
    static const QRegularExpression entity(QStringLiteral("&(#x[0-9A-Fa-f]+|#[0-9]+|amp|lt|gt|quot|apos);"));
    QString result;
    qsizetype last = 0;
    QRegularExpressionMatchIterator it = entity.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        result += text.mid(last, m.capturedStart() - last);
        const QString name = m.captured(1);
        if (name == QLatin1String("amp"))
            result += QLatin1Char('&');
        else if (name == QLatin1String("lt"))
            result += QLatin1Char('<');
        else if (name == QLatin1String("gt"))
            result += QLatin1Char('>');
        else if (name == QLatin1String("quot"))
            result += QLatin1Char('"');
        else if (name == QLatin1String("apos"))
            result += QLatin1Char('\'');
        else {
            bool ok = false;
            const uint code = name.startsWith(QLatin1String("#x")) ? name.mid(2).toUInt(&ok, 16)
                                                                    : name.mid(1).toUInt(&ok, 10);
            if (ok && code > 0 && code <= 0x10FFFF) {
                const char32_t ch = code;
                result += QString::fromUcs4(&ch, 1);
            } else {
                result += m.captured(0);
            }
        }
        last = m.capturedEnd();
    }
    result += text.mid(last);
    return result;
}

bool isPrintablePath(const QString &text)
{
    if (text.isEmpty() || !text.isValidUtf16())
        return false;
    for (const QChar ch : text) {
        if (ch.unicode() < 0x20 || ch.isNonCharacter())
            return false;
    }
    return text.contains(QLatin1Char('/')) || text.contains(QLatin1Char('\\'));
}

QByteArray readWholeFile(const QString &path, bool *ok)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *ok = false;
        return QByteArray();
    }
    *ok = true;
    return file.readAll();
}

QString withoutTrailingSeparators(QString path)
{
    while (path.size() > 1 && (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\'))))
        path.chop(1);
    return path;
}

} // namespace

QRecursiveMutex &mutex()
{
    static QRecursiveMutex lock;
    return lock;
}

QString stripQuotes(const QString &value)
{
    QString result = value;
    if (result.startsWith(QLatin1Char('"')))
        result.remove(0, 1);
    if (result.endsWith(QLatin1Char('"')))
        result.chop(1);
    return result;
}

QString iconEntryPath(const QString &value)
{
    QString path = value.trimmed();
    static const QRegularExpression iconIndex(QStringLiteral(",\\s*-?\\d+$"));
    path.remove(iconIndex);
    return stripQuotes(path.trimmed());
}

int compareVersions(const QString &left, const QString &right)
{
    const QStringList a = left.split(QLatin1Char('.'));
    const QStringList b = right.split(QLatin1Char('.'));
    const qsizetype count = qMax(a.size(), b.size());
    for (qsizetype i = 0; i < count; ++i) {
        const qlonglong x = i < a.size() ? a.at(i).trimmed().toLongLong() : 0;
        const qlonglong y = i < b.size() ? b.at(i).trimmed().toLongLong() : 0;
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

QString executablePath(const ItunesPlatform &platform)
{
    QMutexLocker locker(&mutex());
    const QString server = stripQuotes(
        platform.registryValue(ItunesPlatform::ClassesRoot, localServerKey(), QString()).toString().trimmed());
    if (!server.isEmpty())
        return server;
    return iconEntryPath(
        platform.registryValue(ItunesPlatform::ClassesRoot, QStringLiteral("iTunes\\DefaultIcon"), QString())
            .toString());
}

bool isInstalled(const ItunesPlatform &platform)
{
    QMutexLocker locker(&mutex());
    const QString server = stripQuotes(
        platform.registryValue(ItunesPlatform::ClassesRoot, localServerKey(), QString()).toString());
    return !server.isEmpty() && platform.fileExists(server);
}

QString version(const ItunesPlatform &platform)
{
    QMutexLocker locker(&mutex());
    const QString exe = executablePath(platform);
    if (exe.isEmpty())
        return QString();
    return platform.fileVersion(exe);
}

QString preferenceFile(const QString &roamingDir, const QString &itunesVersion)
{
    const QString name = compareVersions(itunesVersion, QLatin1String(XmlPrefsVersion)) >= 0
        ? QStringLiteral("iTunesPrefs.xml")
        : QStringLiteral("iTunes.pref");
    return QStringLiteral("%1/Apple Computer/iTunes/%2").arg(withoutTrailingSeparators(roamingDir), name);
}

QString libraryXmlLocation(const QByteArray &preferences)
{
    const QByteArray raw = valueAfterKey(preferences, QByteArrayLiteral("<key>iTunes Library XML Location:1</key>"),
                                         QByteArrayLiteral("<data>"), QByteArrayLiteral("</data>"));
    const QByteArray trimmed = raw.trimmed();
    if (trimmed.isEmpty())
        return QString();

    // Property-list data is base64; iTunes stores the path in UTF-16.
    QByteArray compact = trimmed;
    compact.replace(' ', QByteArray()).replace('\n', QByteArray()).replace('\r', QByteArray()).replace('\t', QByteArray());
    const QByteArray::FromBase64Result decoded =
        QByteArray::fromBase64Encoding(compact, QByteArray::AbortOnBase64DecodingErrors);
    if (decoded && decoded.decoded.size() >= 2 && decoded.decoded.size() % 2 == 0) {
        QString path = QString::fromUtf16(reinterpret_cast<const char16_t *>(decoded.decoded.constData()),
                                          decoded.decoded.size() / 2);
        while (path.endsWith(QChar(0)))
            path.chop(1);
        if (isPrintablePath(path))
            return path;
    }
    return decodeXmlText(QString::fromUtf8(trimmed));
}

QString musicFolderFromLibrary(const QByteArray &libraryXml)
{
    const QByteArray raw = valueAfterKey(libraryXml, QByteArrayLiteral("<key>Music Folder</key>"),
                                         QByteArrayLiteral("<string>"), QByteArrayLiteral("</string>"));
    QString location = decodeXmlText(QString::fromUtf8(raw.trimmed()));
    if (location.isEmpty())
        return QString();
    if (location.startsWith(QLatin1String("file://localhost/"), Qt::CaseInsensitive))
        location = location.mid(int(qstrlen("file://localhost")));
    else if (location.startsWith(QLatin1String("file://"), Qt::CaseInsensitive))
        location = location.mid(int(qstrlen("file://")));
    location = QUrl::fromPercentEncoding(location.toUtf8());
    // "/C:/Users/..." is a drive path; a plain "/home/..." stays absolute.
    static const QRegularExpression drivePath(QStringLiteral("^/[A-Za-z]:([/\\\\]|$)"));
    if (drivePath.match(location).hasMatch())
        location.remove(0, 1);
    return withoutTrailingSeparators(location);
}

QString GetMusicFolderPathEx(const ItunesPlatform &platform)
{
    static const char *const function = "ItunesInteract::GetMusicFolderPathEx";
    QMutexLocker locker(&mutex());
    const QString prefs = preferenceFile(platform.roamingAppDataDir(), version(platform));
    bool ok = false;
    const QByteArray prefData = readWholeFile(prefs, &ok);
    if (!ok) {
        ITUNES_FAILURE(function, "cannot read the iTunes preferences %s", qPrintable(prefs));
        return QString();
    }
    const QString library = libraryXmlLocation(prefData);
    if (library.isEmpty()) {
        ITUNES_FAILURE(function, "no library location in %s", qPrintable(prefs));
        return QString();
    }
    const QByteArray libraryData = readWholeFile(library, &ok);
    if (!ok) {
        ITUNES_FAILURE(function, "cannot read the iTunes library %s", qPrintable(library));
        return QString();
    }
    const QString folder = musicFolderFromLibrary(libraryData);
    if (folder.isEmpty())
        ITUNES_FAILURE(function, "no media folder in %s", qPrintable(library));
    return folder;
}

QLocale localeFromLanguageId(quint32 languageId)
{
    struct Known
    {
        quint32 id;
        const char *name;
    };
    // Identifiers whose region matters for the folder name, then the
    // primary languages.
    static const Known full[] = {
        {0x0804, "zh_CN"}, {0x1004, "zh_SG"}, {0x0404, "zh_TW"}, {0x0C04, "zh_HK"}, {0x1404, "zh_MO"},
        {0x0416, "pt_BR"}, {0x0816, "pt_PT"}, {0x0409, "en_US"}, {0x0809, "en_GB"}, {0x0C09, "en_AU"},
        {0x1009, "en_CA"}, {0x0414, "nb_NO"}, {0x0814, "nn_NO"}, {0x0C0C, "fr_CA"}, {0x080A, "es_MX"},
    };
    static const Known primary[] = {
        {0x01, "ar"}, {0x02, "bg"}, {0x03, "ca"}, {0x04, "zh_CN"}, {0x05, "cs"}, {0x06, "da"}, {0x07, "de"},
        {0x08, "el"}, {0x09, "en"}, {0x0A, "es"}, {0x0B, "fi"}, {0x0C, "fr"}, {0x0D, "he"}, {0x0E, "hu"},
        {0x0F, "is"}, {0x10, "it"}, {0x11, "ja"}, {0x12, "ko"}, {0x13, "nl"}, {0x14, "nb"}, {0x15, "pl"},
        {0x16, "pt"}, {0x18, "ro"}, {0x19, "ru"}, {0x1A, "hr"}, {0x1B, "sk"}, {0x1D, "sv"}, {0x1E, "th"},
        {0x1F, "tr"}, {0x21, "id"}, {0x22, "uk"}, {0x24, "sl"}, {0x25, "et"}, {0x26, "lv"}, {0x27, "lt"},
        {0x2A, "vi"}, {0x3E, "ms"}, {0x39, "hi"},
    };
    const quint32 id = languageId & 0xFFFF;
    for (const Known &k : full) {
        if (k.id == id)
            return QLocale(QLatin1String(k.name));
    }
    const quint32 primaryId = id & 0x3FF;
    for (const Known &k : primary) {
        if (k.id == primaryId)
            return QLocale(QLatin1String(k.name));
    }
    return QLocale::c();
}

QString languageFolderName(const QLocale &locale)
{
    const QLocale::Language language = locale.language();
    const QLocale::Territory territory = locale.territory();
    switch (language) {
    case QLocale::Chinese:
        if (locale.script() == QLocale::TraditionalChineseScript || territory == QLocale::Taiwan
            || territory == QLocale::HongKong || territory == QLocale::Macao)
            return QStringLiteral("zh_TW");
        return QStringLiteral("zh_CN");
    case QLocale::Portuguese:
        return territory == QLocale::Portugal ? QStringLiteral("pt_PT") : QStringLiteral("pt");
    case QLocale::NorwegianBokmal:
    case QLocale::NorwegianNynorsk:
        return QStringLiteral("nb");
    case QLocale::English:
        return territory == QLocale::UnitedKingdom ? QStringLiteral("en_GB") : QStringLiteral("en");
    case QLocale::C:
    case QLocale::AnyLanguage:
        return QStringLiteral("en");
    default:
        return QLocale::languageToCode(language);
    }
}

QString autoImportNameFromStrings(const QByteArray &strings)
{
    std::optional<QStringConverter::Encoding> encoding = QStringConverter::encodingForData(strings);
    if (!encoding) {
        // Without a byte-order mark, zero bytes betray UTF-16.
        const bool utf16 = strings.size() >= 2 && strings.count('\0') * 3 >= strings.size();
        encoding = utf16 ? (strings.at(0) == '\0' ? QStringConverter::Utf16BE : QStringConverter::Utf16LE)
                         : QStringConverter::Utf8;
    }
    QStringDecoder decoder(*encoding);
    const QString text = decoder.decode(strings);

    static const QString prefix = QStringLiteral("\"cp3kfmuta2\" = \"");
    const QStringList lines = text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    for (const QString &rawLine : lines) {
        QString line = rawLine;
        while (!line.isEmpty() && (line.front().isSpace() || line.front() == QChar(0xFEFF)))
            line.remove(0, 1);
        if (!line.startsWith(prefix))
            continue;
        QString name;
        for (qsizetype i = prefix.size(); i < line.size(); ++i) {
            const QChar ch = line.at(i);
            if (ch == QLatin1Char('"'))
                return name;
            if (ch == QLatin1Char('\\') && i + 1 < line.size()) {
                const QChar next = line.at(++i);
                name += next == QLatin1Char('n') ? QChar(QLatin1Char('\n')) : next;
                continue;
            }
            name += ch;
        }
        return QString();
    }
    return QString();
}

QString GetAutoDirectoryName(const ItunesPlatform &platform)
{
    QMutexLocker locker(&mutex());
    const QString fallback = QString::fromLatin1(DefaultAutoImportName);
    const QString exe = executablePath(platform);
    if (exe.isEmpty())
        return fallback;

    QLocale locale = platform.userDefaultLocale();
    const QVariant langId = platform.registryValue(ItunesPlatform::LocalMachine,
                                                   QStringLiteral("SOFTWARE\\Apple Computer, Inc.\\iTunes"),
                                                   QStringLiteral("InstalledLangID"));
    if (langId.isValid()) {
        bool ok = false;
        const quint32 id = langId.toString().trimmed().toUInt(&ok, 0);
        if (ok && id != 0)
            locale = localeFromLanguageId(id);
    }
    const QString folder = languageFolderName(locale);
    const QString resources = QFileInfo(QDir::fromNativeSeparators(exe)).absolutePath()
        + QStringLiteral("/iTunes.Resources/");
    const QStringList candidates = {
        resources + folder + QStringLiteral(".lproj/Localizable.strings"),
        resources + folder + QStringLiteral("/Localizable.strings"),
    };
    for (const QString &candidate : candidates) {
        bool ok = false;
        const QByteArray data = readWholeFile(candidate, &ok);
        if (!ok)
            continue;
        const QString name = autoImportNameFromStrings(data).trimmed();
        if (!name.isEmpty())
            return name;
    }
    return fallback;
}

bool copyIntoFolder(const QString &file, const QString &folder)
{
    static const char *const function = "ItunesInteract::copyIntoFolder";
    QMutexLocker locker(&mutex());
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        ITUNES_FAILURE(function, "the automatic import folder %s does not exist", qPrintable(folder));
        return false;
    }
    if (!QFileInfo(file).isFile()) {
        ITUNES_FAILURE(function, "the file %s does not exist", qPrintable(file));
        return false;
    }
    const QString target = QDir(folder).filePath(QFileInfo(file).fileName());
    if (QFileInfo::exists(target) && !QFile::remove(target)) {
        ITUNES_FAILURE(function, "cannot replace %s", qPrintable(target));
        return false;
    }
    if (!QFile::copy(file, target)) {
        ITUNES_FAILURE(function, "cannot copy %s to %s", qPrintable(file), qPrintable(target));
        return false;
    }
    return true;
}

qint32 addFileToLibrary(ItunesPlatform &platform, const QString &file)
{
    static const char *const function = "ItunesInteract::addFileToLibrary";
    QMutexLocker locker(&mutex());
    if (file.isEmpty())
        return InvalidPointer;

    if (compareVersions(version(platform), QLatin1String(AutoImportVersion)) >= 0) {
        const QString media = GetMusicFolderPathEx(platform);
        if (!media.isEmpty()) {
            const QString folder = media + QLatin1Char('/') + GetAutoDirectoryName(platform);
            if (copyIntoFolder(file, folder))
                return 0;
        }
        ITUNES_FAILURE(function, "adding %s through the automatic import folder failed", qPrintable(file));
    }

    const qint32 result = platform.addFileToLibrary(QString::fromUtf8(file.toUtf8()));
    if (result != 0)
        ITUNES_FAILURE(function, "adding %s through COM failed: %08x", qPrintable(file), unsigned(result));
    return result;
}

bool isRunning(const ItunesPlatform &platform)
{
    QMutexLocker locker(&mutex());
    return platform.isProcessRunning(QStringLiteral("iTunes.exe"));
}

bool closeITunes(ItunesPlatform &platform)
{
    QMutexLocker locker(&mutex());
    if (compareVersions(version(platform), QLatin1String(AutoImportVersion)) >= 0)
        return false;
    return platform.quitApplication();
}

} // namespace ItunesInteract
} // namespace Tarn
