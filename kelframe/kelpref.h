#pragma once

#include "kelframe/kelframeglobal.h"

#include <QMutex>
#include <QObject>
#include <QVariant>

class QSettings;

namespace Kel {
KELFRAME_EXPORT void setFolderRoot(const QString &root);
}

// The preference store: user settings in an INI file in the user's
// configuration folder. Usable without a window system.
class KELFRAME_EXPORT KelPref : public QObject
{
    Q_OBJECT
public:
    // A store over the given INI file (the default file when empty).
    explicit KelPref(const QString &iniFile = QString(), QObject *parent = nullptr);
    ~KelPref() override;

    // The process-wide store: the application object's when there is one,
    // else one created on first use over defaultFile().
    static KelPref *instance();
    // "<user configuration folder>/<product key>.ini"; the folder honours
    // Kel::setFolderRoot() (tests).
    static QString defaultFile();

    QVariant value(const QString &key, const QVariant &defaultValue = QVariant()) const;
    // The third argument asks for an immediate write to disk.
    void setValue(const QString &key, const QVariant &value, bool syncNow = false);
    void remove(const QString &key);
    void sync();
    QString fileName() const;
    // Every key in the store.
    QStringList allKeys() const;
    bool contains(const QString &key) const;
    // Points the store at another INI file (the default file when empty),
    // writing the pending changes of the current one first.
    void setFile(const QString &iniFile);
    // The copy of the file's original content that was kept when the file
    // turned out to be corrupt at opening; empty when nothing was kept.
    QString corruptCopy() const;

    QString company_root_key() const;
    QString product_key() const;
    QString product_name() const;
    // The program's own directory.
    QString appDir() const;
    void setTanslucentWhenSkin(bool on);
    bool translucentWhenSkin() const;

private:
    friend void Kel::setFolderRoot(const QString &root);
    // The folder root moved: the process-wide store follows its default file.
    static void defaultFileChanged();
    void open(const QString &iniFile);

    mutable QMutex m_mutex;
    QSettings *m_settings = nullptr;
    bool m_followsDefault = false;
    QString m_corruptCopy;
    bool m_translucentWhenSkin = false;
};
