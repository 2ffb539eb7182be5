#include "kelframe/kelpref.h"

#include "kelframe/kelfolders.h"
#include "kelframe/kelproductinfo.h"
#include "shared/kellog.h"
#include "shared/keltext.h"
#include "shared/toollocator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringDecoder>

namespace {

struct InstanceHolder
{
    QMutex mutex;
    KelPref *pref = nullptr;
};

InstanceHolder &holder()
{
    static InstanceHolder h;
    return h;
}

// Runs when the application object goes away, so that the store is written
// while Qt is still whole.
void destroyInstance()
{
    InstanceHolder &h = holder();
    KelPref *pref = nullptr;
    {
        QMutexLocker locker(&h.mutex);
        pref = h.pref;
        h.pref = nullptr;
    }
    delete pref;
}

bool isLineWellFormed(QStringView line)
{
    const QStringView t = line.trimmed();
    if (t.isEmpty() || t.startsWith(QLatin1Char(';')) || t.startsWith(QLatin1Char('#')))
        return true;
    if (t.startsWith(QLatin1Char('[')))
        return t.endsWith(QLatin1Char(']'));
    return t.indexOf(QLatin1Char('=')) > 0;
}

// Text that the INI reader would partly skip or misread: binary bytes,
// invalid UTF-8, lines that are neither comments, sections nor assignments.
bool looksCorrupt(const QByteArray &content)
{
    if (content.contains('\0'))
        return true;
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(content);
    if (decoder.hasError())
        return true;
    const QList<QStringView> lines = QStringView(text).split(QLatin1Char('\n'));
    for (const QStringView &line : lines) {
        if (!isLineWellFormed(line))
            return true;
    }
    return false;
}

} // namespace

KelPref::KelPref(const QString &iniFile, QObject *parent)
    : QObject(parent)
{
    QMutexLocker locker(&m_mutex);
    m_followsDefault = iniFile.isEmpty();
    open(m_followsDefault ? defaultFile() : iniFile);
}

KelPref::~KelPref()
{
    QMutexLocker locker(&m_mutex);
    if (m_settings)
        m_settings->sync();
    delete m_settings;
    m_settings = nullptr;
}

KelPref *KelPref::instance()
{
    InstanceHolder &h = holder();
    QMutexLocker locker(&h.mutex);
    if (!h.pref) {
        h.pref = new KelPref();
        if (QCoreApplication::instance())
            qAddPostRoutine(destroyInstance);
    }
    return h.pref;
}

QString KelPref::defaultFile()
{
    QString key = KelProductInfo::value(QString::fromLatin1(KelProductInfo::ProductKeyKey));
    if (key.isEmpty())
        key = QStringLiteral("Marlin");
    return Kel::configPath() + QLatin1Char('/') + key + QStringLiteral(".ini");
}

void KelPref::defaultFileChanged()
{
    InstanceHolder &h = holder();
    QMutexLocker locker(&h.mutex);
    if (h.pref && h.pref->m_followsDefault)
        h.pref->setFile(QString());
}

// Called with m_mutex held.
void KelPref::open(const QString &iniFile)
{
    m_corruptCopy.clear();
    const QString file = QFileInfo(iniFile).absoluteFilePath();
    const QString folder = QFileInfo(file).absolutePath();
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder))
        KEL_ERROR("Create preference folder failed: %s", qUtf8Printable(folder));

    const QFileInfo info(file);
    if (info.exists() && !info.isFile()) {
        // Nothing can be stored there; the store still answers from memory.
        KEL_ERROR("Preference file is not a file: %s", qUtf8Printable(file));
    } else if (info.exists()) {
        QFile in(file);
        if (!in.open(QIODevice::ReadOnly)) {
            // Keep the unreadable original aside rather than overwrite it.
            const QString aside = Kel::Text::uniqueFileName(file + QStringLiteral(".unreadable"));
            if (QFile::rename(file, aside))
                m_corruptCopy = aside;
            KEL_ERROR("Preference file unreadable (%s), kept as %s", qUtf8Printable(in.errorString()),
                      qUtf8Printable(aside));
        } else if (looksCorrupt(in.readAll())) {
            in.close();
            const QString copy = Kel::Text::uniqueFileName(file + QStringLiteral(".corrupt"));
            if (QFile::copy(file, copy))
                m_corruptCopy = copy;
            KEL_ERROR("Preference file corrupt, original kept as %s", qUtf8Printable(copy));
        }
    }

    m_settings = new QSettings(file, QSettings::IniFormat);
    if (m_settings->status() != QSettings::NoError)
        KEL_ERROR("Preference file read with errors: %s", qUtf8Printable(file));
}

QVariant KelPref::value(const QString &key, const QVariant &defaultValue) const
{
    QMutexLocker locker(&m_mutex);
    return m_settings->value(key, defaultValue);
}

void KelPref::setValue(const QString &key, const QVariant &value, bool syncNow)
{
    QMutexLocker locker(&m_mutex);
    m_settings->setValue(key, value);
    if (syncNow)
        m_settings->sync();
}

void KelPref::remove(const QString &key)
{
    QMutexLocker locker(&m_mutex);
    m_settings->remove(key);
}

void KelPref::sync()
{
    QMutexLocker locker(&m_mutex);
    m_settings->sync();
    if (m_settings->status() == QSettings::AccessError)
        KEL_ERROR("Preference file not written: %s", qUtf8Printable(m_settings->fileName()));
}

QString KelPref::fileName() const
{
    QMutexLocker locker(&m_mutex);
    return m_settings->fileName();
}

QStringList KelPref::allKeys() const
{
    QMutexLocker locker(&m_mutex);
    return m_settings->allKeys();
}

bool KelPref::contains(const QString &key) const
{
    QMutexLocker locker(&m_mutex);
    return m_settings->contains(key);
}

void KelPref::setFile(const QString &iniFile)
{
    QMutexLocker locker(&m_mutex);
    m_settings->sync();
    delete m_settings;
    m_settings = nullptr;
    m_followsDefault = iniFile.isEmpty();
    open(m_followsDefault ? defaultFile() : iniFile);
}

QString KelPref::corruptCopy() const
{
    QMutexLocker locker(&m_mutex);
    return m_corruptCopy;
}

QString KelPref::company_root_key() const
{
    return KelProductInfo::value(QString::fromLatin1(KelProductInfo::CompanyRootKeyKey));
}

QString KelPref::product_key() const
{
    return KelProductInfo::value(QString::fromLatin1(KelProductInfo::ProductKeyKey));
}

QString KelPref::product_name() const
{
    return KelProductInfo::value(QString::fromLatin1(KelProductInfo::ProductNameKey));
}

QString KelPref::appDir() const
{
    return Kel::ToolLocator::applicationDir();
}

void KelPref::setTanslucentWhenSkin(bool on)
{
    QMutexLocker locker(&m_mutex);
    m_translucentWhenSkin = on;
}

bool KelPref::translucentWhenSkin() const
{
    QMutexLocker locker(&m_mutex);
    return m_translucentWhenSkin;
}
