#pragma once

#include "tarncore/tarncoreglobal.h"

#include <QString>

namespace Tarn {

// The one object through which the program and the libraries reach the
// core's folders and the product's names. Folders come without a trailing
// separator.
class TARNCORE_EXPORT AppContext
{
public:
    // The directory of the running program.
    static QString getAppDir();
    static QString getAppResourceDir();
    static QString getFontsDir();
    static QString getAppConfDir();
    static QString getAppDataDir();
    static QString getTempDir();
    static QString getUserVideoDir();

    static QString getProductKey();
    static QString getProductName();
    static QString getCompanyKey();

    static QString getShareUrl_f();
    static QString getShareUrl_t();
    static QString getShareUrl_g();

    // Makes getAppDir() answer dir instead of the program's directory, for
    // tests and tools that run outside the application directory; an empty
    // dir restores the default.
    static void setAppDirOverride(const QString &dir);
};

} // namespace Tarn
