#pragma once

#include "tarncore/tarncoreglobal.h"

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <QVersionNumber>

namespace Tarn {

// Where the extractor tool's own releases are published and how one is
// trusted. Every release has a tag (its version) and three files: the
// archive "yt-dlp" that Python runs directly, the checksum file
// "SHA2-256SUMS" and that file's detached OpenPGP signature
// "SHA2-256SUMS.sig", made with the tool project's release key.
//
// "<base>/latest" redirects to "<base>/tag/<tag>", so the newest tag costs
// one request and no API; the files are "<base>/download/<tag>/<name>".
class TARNCORE_EXPORT PuxReleaseSource
{
public:
    // The tool project's releases.
    static const QString DefaultBaseUrl;
    // The product information key that names another release address.
    static const QString BaseUrlKey;
    // The environment variable that overrides both (tests, mirrors).
    static const QString BaseUrlVariable;
    static const QString ArchiveAsset;
    static const QString SumsAsset;
    static const QString SignatureAsset;
    // Fingerprint of the tool project's release key, the only key whose
    // signatures are trusted by default.
    static const QString TrustedFingerprint;

    // baseUrl empty: the configured one (variable, product information,
    // default, in that order).
    explicit PuxReleaseSource(const QString &baseUrl = QString());

    static QString configuredBaseUrl();
    // The shipped armored release key: "<program folder>/conf/yt-release-key.asc".
    static QString defaultKeyFile();

    QString baseUrl() const { return base; }
    QUrl latestUrl() const;
    QUrl assetUrl(const QString &tag, const QString &asset) const;

    // The tag a "latest" redirect points at; empty when the address is not
    // one of a release.
    static QString tagFromAddress(const QUrl &address);
    // The version a tag names ("2024.08.06", "v1.2"); null when none.
    static QVersionNumber versionOfTag(const QString &tag);
    // The lower-case SHA-256 digest the checksum file gives for asset; empty
    // when it names none or an unreadable one.
    static QString digestFor(const QByteArray &sums, const QString &asset);

    // True when signature is a good signature of signedFile made by the key
    // with fingerprint, checked with gpgv against the armored key in keyFile.
    // Otherwise false with the reason in *error.
    static bool verifySignature(const QString &keyFile, const QString &fingerprint, const QString &signedFile,
                                const QString &signature, QString *error);
    // The binary form of an armored OpenPGP block; empty when it is none.
    static QByteArray dearmor(const QByteArray &armored);

private:
    QString base;
};

} // namespace Tarn
