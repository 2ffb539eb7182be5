#pragma once

#include "tarncore/tarncoreglobal.h"

#include <QString>

namespace Tarn {

class ConvertManager;
class DataManager;
class DownloadManager;
class SettingsManager;

// The one object through which the program and the libraries reach the
// core's managers, folders and the product's names. Folders come without a
// trailing separator.
//
// The first instance() creates the managers, in this order: the settings
// manager, the download manager (with its two task pools), then the convert
// manager and the data manager. init() registers the value types that
// travel through queued signals and starts the pools. The context and its
// managers live until the process ends. GUI thread only.
class TARNCORE_EXPORT AppContext
{
public:
    static AppContext *instance();

    // Registers the queued-signal types, removes the temporary files that
    // runs killed outright left in the download, convert and temporary
    // folders, then initialises the managers; true. Later calls do nothing.
    bool init();

    SettingsManager *getSettingsManager() const { return settingsManager; }
    DownloadManager *getDownloadManager() const { return downloadManager; }
    ConvertManager *getConvertManager() const { return convertManager; }
    DataManager *getDataManager() const { return dataManager; }

    // The directory of the running program.
    static QString getAppDir();
    static QString getAppResourceDir();
    static QString getFontsDir();
    static QString getAppConfDir();
    static QString getAppDataDir();
    static QString getTempDir();
    // The unpacked copies of the extractor tool.
    static QString getToolCacheDir();
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

private:
    AppContext();
    // Never destroyed: the managers live until the process ends.
    ~AppContext() = default;
    AppContext(const AppContext &) = delete;
    AppContext &operator=(const AppContext &) = delete;

    // Owned, in order of creation.
    SettingsManager *settingsManager = nullptr;
    DownloadManager *downloadManager = nullptr;
    ConvertManager *convertManager = nullptr;
    DataManager *dataManager = nullptr;
    bool initialised = false;

    static AppContext *context;
};

} // namespace Tarn
