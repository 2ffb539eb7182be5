#include "kelframe/kelproductinfo.h"

#include "shared/kellog.h"
#include "shared/toollocator.h"

#include <QFileInfo>
#include <QMap>
#include <QReadWriteLock>
#include <QSettings>

namespace {

struct ProductTable
{
    QReadWriteLock lock;
    QMap<QString, QString> values;
    QString file;
    bool loaded = false;
};

ProductTable &table()
{
    static ProductTable t;
    return t;
}

QMap<QString, QString> builtInValues()
{
    return {
        {QString::fromLatin1(KelProductInfo::SingletonAppIdKey), QStringLiteral("org.marlin.Marlin")},
        {QString::fromLatin1(KelProductInfo::SupportMacAppStoreKey), QStringLiteral("false")},
        {QString::fromLatin1(KelProductInfo::SupportMenuSkinKey), QStringLiteral("true")},
        {QString::fromLatin1(KelProductInfo::SupportMenuUpdateKey), QStringLiteral("true")},
        {QString::fromLatin1(KelProductInfo::CompanyRootKeyKey), QStringLiteral("Marlin")},
        {QString::fromLatin1(KelProductInfo::CompanyNameKey), QStringLiteral("Marlin")},
        {QString::fromLatin1(KelProductInfo::ProductKeyKey), QStringLiteral("Marlin")},
        {QString::fromLatin1(KelProductInfo::ProductNameKey), QStringLiteral("Marlin")},
        {QString::fromLatin1(KelProductInfo::ToolReleasesUrlKey),
         QStringLiteral("https://github.com/yt-dlp/yt-dlp/releases")},
        {QString::fromLatin1(KelProductInfo::ShareUrlKey),
         QStringLiteral("https://www.marlin.example/shareType.php?app=marlin")},
    };
}

// Fills t from file over the built-in values; the caller holds the write lock.
bool loadInto(ProductTable &t, const QString &file)
{
    t.values = builtInValues();
    t.file.clear();
    t.loaded = true;
    const QFileInfo info(file);
    if (!info.isFile() || !info.isReadable())
        return false;
    QSettings ini(file, QSettings::IniFormat);
    if (ini.status() != QSettings::NoError) {
        KEL_ERROR("Product information unreadable: %s", qUtf8Printable(file));
        return false;
    }
    const QStringList keys = ini.allKeys();
    for (const QString &key : keys)
        t.values.insert(key, ini.value(key).toString());
    t.file = info.absoluteFilePath();
    return true;
}

void ensureLoaded()
{
    ProductTable &t = table();
    {
        QReadLocker reader(&t.lock);
        if (t.loaded)
            return;
    }
    QWriteLocker writer(&t.lock);
    if (!t.loaded)
        loadInto(t, KelProductInfo::shippedFile());
}

} // namespace

QString KelProductInfo::value(const QString &key, const QString &defaultValue)
{
    ensureLoaded();
    ProductTable &t = table();
    QReadLocker reader(&t.lock);
    return t.values.value(key, defaultValue);
}

bool KelProductInfo::contains(const QString &key)
{
    ensureLoaded();
    ProductTable &t = table();
    QReadLocker reader(&t.lock);
    return t.values.contains(key);
}

QStringList KelProductInfo::keys()
{
    ensureLoaded();
    ProductTable &t = table();
    QReadLocker reader(&t.lock);
    return t.values.keys();
}

bool KelProductInfo::isTrue(const QString &key)
{
    return value(key).trimmed().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

QString KelProductInfo::fileName()
{
    ensureLoaded();
    ProductTable &t = table();
    QReadLocker reader(&t.lock);
    return t.file;
}

QString KelProductInfo::shippedFile()
{
    return Kel::ToolLocator::applicationDir() + QStringLiteral("/conf/product.ini");
}

bool KelProductInfo::load(const QString &file)
{
    ProductTable &t = table();
    QWriteLocker writer(&t.lock);
    return loadInto(t, file.isEmpty() ? shippedFile() : file);
}
