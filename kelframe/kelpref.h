#pragma once

#include "kelframe/kelframeglobal.h"

#include <QObject>
#include <QVariant>

class QSettings;

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

    QString company_root_key() const;
    QString product_key() const;
    QString product_name() const;
    // The program's own directory.
    QString appDir() const;
    void setTanslucentWhenSkin(bool on);

private:
    QSettings *m_settings = nullptr;
    bool m_translucentWhenSkin = false;
};
