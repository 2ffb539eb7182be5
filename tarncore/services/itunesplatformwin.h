#pragma once

#include "tarncore/services/itunesplatform.h"

namespace Tarn {

// iTunes on Windows: the registry, version resources, the process list and
// iTunes' COM automation object through late binding.
class ItunesPlatformWin final : public ItunesPlatform
{
public:
    QVariant registryValue(RegistryRoot root, const QString &key, const QString &name) const override;
    bool fileExists(const QString &path) const override;
    QString fileVersion(const QString &executable) const override;
    bool isProcessRunning(const QString &executableName) const override;
    QString roamingAppDataDir() const override;
    QLocale userDefaultLocale() const override;
    qint32 addFileToLibrary(const QString &file) override;
    bool quitApplication() override;
};

} // namespace Tarn
