#pragma once

#include "shared/mediaprofile.h"

#include <QCoreApplication>
#include <QString>

namespace Tarn {

// Finds a conversion profile by the name a user types.
class ProfileChoice
{
    Q_DECLARE_TR_FUNCTIONS(Tarn::ProfileChoice)
public:
    // The name that stands for the quick-convert profile of the settings.
    static QString quickName();
    static bool isQuick(const QString &name);

    // A preset by its exact name, else the one preset whose name matches
    // ignoring case; the quick-convert profile for quickName(); the user's
    // own profile for its name ("Customized"). An invalid profile with the
    // reason in *error when there is none.
    static Kel::MediaProfile find(const QString &name, QString *error);
};

} // namespace Tarn
