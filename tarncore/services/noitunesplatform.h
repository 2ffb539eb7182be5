#pragma once

#include "tarncore/services/itunesplatform.h"

namespace Tarn {

// A system without iTunes: no registry, no COM, no iTunes process.
class NoItunesPlatform final : public ItunesPlatform
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
