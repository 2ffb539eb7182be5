#include "tarncore/services/puxupdatecfg.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>

namespace Tarn {

namespace {

// A value with an unquoted comma comes back from an INI file as a list.
QString settingText(const QSettings &settings, const QString &key)
{
    const QVariant value = settings.value(key);
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

} // namespace

const QStringList PuxUpdateCfg::Languages = {
    QStringLiteral("EN"), QStringLiteral("ES"), QStringLiteral("FR"), QStringLiteral("JA"),
    QStringLiteral("IT"), QStringLiteral("ZH_TW"), QStringLiteral("ZH_CN"),
};

PuxUpdateCfg::PuxUpdateCfg(const QString &key, QObject *parent)
    : QObject(parent)
    , urlKey(key)
{
}

int PuxUpdateCfg::load(const QString &file)
{
    version = QVersionNumber();
    versionText.clear();
    url.clear();
    md5.clear();
    timeStamp = QDateTime();
    descriptions.clear();

    if (!QFileInfo(file).isFile())
        return -1;
    QSettings settings(file, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError)
        return -1;

    settings.beginGroup(QStringLiteral("INFO"));
    versionText = settingText(settings, QStringLiteral("VERSION")).trimmed();
    version = parseVersion(versionText);
    url = settingText(settings, urlKey).trimmed();
    timeStamp = QDateTime::fromString(settingText(settings, QStringLiteral("TIMESTAMP")).trimmed(),
                                      QStringLiteral("yyyy/MM/dd HH:mm:ss"));
    md5 = settingText(settings, QStringLiteral("MD5")).trimmed();
    settings.endGroup();

    settings.beginGroup(QStringLiteral("LANGUAGE"));
    for (const QString &language : Languages) {
        if (settings.contains(language))
            descriptions.insert(language, settingText(settings, language));
    }
    settings.endGroup();

    return version.isNull() ? -1 : 0;
}

QString PuxUpdateCfg::getDescription(const QString &language) const
{
    QString key = language.trimmed().toUpper();
    key.replace(QLatin1Char('-'), QLatin1Char('_'));
    if (descriptions.contains(key))
        return descriptions.value(key);
    if (key.startsWith(QLatin1String("ZH"))) {
        const bool traditional = key.contains(QLatin1String("TW")) || key.contains(QLatin1String("HK"))
            || key.contains(QLatin1String("MO")) || key.contains(QLatin1String("HANT"));
        return descriptions.value(traditional ? QStringLiteral("ZH_TW") : QStringLiteral("ZH_CN"));
    }
    return descriptions.value(key.section(QLatin1Char('_'), 0, 0));
}

QVersionNumber PuxUpdateCfg::parseVersion(const QString &text)
{
    static const QRegularExpression dotted(QStringLiteral("^\\d+(\\.\\d+)*$"));
    const QString trimmed = text.trimmed();
    if (!dotted.match(trimmed).hasMatch())
        return QVersionNumber();
    const QVersionNumber number = QVersionNumber::fromString(trimmed);
    if (number.normalized().isNull())
        return QVersionNumber();
    return number;
}

} // namespace Tarn
