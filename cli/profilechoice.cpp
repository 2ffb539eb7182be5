#include "cli/profilechoice.h"

#include "tarncore/download/appcontext.h"
#include "tarncore/settings/settingsmanager.h"

namespace Tarn {

QString ProfileChoice::quickName()
{
    return QStringLiteral("quick");
}

bool ProfileChoice::isQuick(const QString &name)
{
    return name.trimmed().compare(quickName(), Qt::CaseInsensitive) == 0;
}

Kel::MediaProfile ProfileChoice::find(const QString &name, QString *error)
{
    SettingsManager *settings = AppContext::instance()->getSettingsManager();
    const QString wanted = name.trimmed();
    if (isQuick(wanted))
        return settings->getQuickConvertProfile();
    if (wanted.compare(SettingsManager::CustomizedProfileName, Qt::CaseInsensitive) == 0) {
        const Kel::MediaProfile own = settings->getLastCustomConvertProfile();
        return own.isValid() ? own : settings->getDefaultCustomConvertProfile();
    }

    const Kel::MediaProfile exact = settings->getProfileByName(wanted);
    if (exact.isValid())
        return exact;
    Kel::MediaProfile match;
    int matches = 0;
    const QMap<QString, QList<Kel::MediaProfile>> &presets = settings->getPresetProfiles();
    for (const QList<Kel::MediaProfile> &profiles : presets) {
        for (const Kel::MediaProfile &profile : profiles) {
            if (profile.name.compare(wanted, Qt::CaseInsensitive) == 0) {
                match = profile;
                ++matches;
            }
        }
    }
    if (matches == 1)
        return match;
    if (error) {
        *error = tr("unknown profile \"%1\"; 'marlin-cli profiles' lists them, and \"%2\" is the quick-convert "
                    "profile")
                     .arg(name, quickName());
    }
    return Kel::MediaProfile();
}

} // namespace Tarn
