#pragma once

#include "kelframe/kelframeglobal.h"

#include <QStringList>

// The product's read-only values by key, from "conf/product.ini" in the
// program's directory. Keys missing from the file fall back to the values
// built into the framework, so a process without the file (a test, a tool
// run from elsewhere) still gets a complete table. Usable without a window
// system and from any thread.
class KELFRAME_EXPORT KelProductInfo final
{
public:
    static constexpr const char *SingletonAppIdKey = "SINGLETON_APP_ID";
    static constexpr const char *SupportMacAppStoreKey = "support_mac_app_store";
    static constexpr const char *SupportMenuSkinKey = "support_menu_skin";
    static constexpr const char *SupportMenuUpdateKey = "support_menu_update";
    static constexpr const char *CompanyRootKeyKey = "company_root_key";
    static constexpr const char *CompanyNameKey = "company_name";
    static constexpr const char *ProductKeyKey = "product_key";
    static constexpr const char *ProductNameKey = "product_name";
    // The extractor tool's update description on a server of our own (the
    // updater's own key); when it is empty the tool's releases are used.
    static constexpr const char *ToolUpdateCfgUrlKey = "YTCFG_URL";
    // The address of the extractor tool's releases.
    static constexpr const char *ToolReleasesUrlKey = "YT_RELEASES_URL";
    // The sharing page; callers append "&type=..." to it.
    static constexpr const char *ShareUrlKey = "SHARE_URL";

    KelProductInfo() = delete;

    static QString value(const QString &key, const QString &defaultValue = QString());
    static bool contains(const QString &key);
    static QStringList keys();
    // A value of "true" (any case) is true, everything else false.
    static bool isTrue(const QString &key);

    // The file the table was read from, empty when only built-in values are
    // in use.
    static QString fileName();
    // "<program directory>/conf/product.ini".
    static QString shippedFile();
    // Reads the table again from file (the shipped file when empty). False
    // when the file is missing or unreadable; the built-in values stay.
    static bool load(const QString &file = QString());
};
