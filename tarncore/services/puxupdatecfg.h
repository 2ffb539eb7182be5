#pragma once

#include "tarncore/tarncoreglobal.h"

#include <QDateTime>
#include <QMap>
#include <QObject>
#include <QString>
#include <QVersionNumber>

namespace Tarn {

// One update description of the extractor tool: an INI file with the
// version, the archive's address and MD5 digest, a time stamp and
// descriptions of the version by language.
class TARNCORE_EXPORT PuxUpdateCfg : public QObject
{
    Q_OBJECT
public:
    // The seven description languages that are read.
    static const QStringList Languages;

    // urlKey: the key of the archive address in the "INFO" group.
    explicit PuxUpdateCfg(const QString &urlKey, QObject *parent = nullptr);

    // 0 when the file exists and names a version above 0, else -1.
    int load(const QString &file);

    // Versions are dotted numbers ("2023.03.04", "1.5"), compared part by
    // part; a null version when the text is no such number.
    QVersionNumber getVersion() const { return version; }
    // The version as the file writes it.
    QString getVersionText() const { return versionText; }
    QString getUrl() const { return url; }
    QString getMd5() const { return md5; }
    QDateTime getTimeStamp() const { return timeStamp; }
    QString getUrlKey() const { return urlKey; }
    QMap<QString, QString> getDescriptions() const { return descriptions; }
    // The description for a language name ("EN", "en", "en_US", "zh-TW");
    // empty when there is none.
    QString getDescription(const QString &language) const;

    // A dotted number above 0, else a null version.
    static QVersionNumber parseVersion(const QString &text);

private:
    QVersionNumber version;
    QString versionText;
    QString url;
    QString md5;
    QDateTime timeStamp;
    QString urlKey;
    QMap<QString, QString> descriptions;
};

} // namespace Tarn
