#include "tarncore/services/puxreleasesource.h"

#include "tarncore/download/appcontext.h"
#include "kelframe/kelproductinfo.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace Tarn {

const QString PuxReleaseSource::DefaultBaseUrl = QStringLiteral("https://github.com/yt-dlp/yt-dlp/releases");
const QString PuxReleaseSource::BaseUrlKey = QString::fromLatin1(KelProductInfo::ToolReleasesUrlKey);
const QString PuxReleaseSource::BaseUrlVariable = QStringLiteral("MARLIN_TOOL_RELEASES_URL");
const QString PuxReleaseSource::ArchiveAsset = QStringLiteral("yt-dlp");
const QString PuxReleaseSource::SumsAsset = QStringLiteral("SHA2-256SUMS");
const QString PuxReleaseSource::SignatureAsset = QStringLiteral("SHA2-256SUMS.sig");
const QString PuxReleaseSource::TrustedFingerprint = QStringLiteral("AC0CBBE6848D6A873464AF4E57CF65933B5A7581");

namespace {

// gpgv ends at once; a stalled one must not hold the update forever.
constexpr int VerifyTimeoutMs = 30000;

QString withoutTrailingSlash(QString text)
{
    while (text.endsWith(QLatin1Char('/')))
        text.chop(1);
    return text;
}

} // namespace

PuxReleaseSource::PuxReleaseSource(const QString &baseUrl)
    : base(withoutTrailingSlash(baseUrl.isEmpty() ? configuredBaseUrl() : baseUrl))
{
}

QString PuxReleaseSource::configuredBaseUrl()
{
    const QString variable = qEnvironmentVariable(qPrintable(BaseUrlVariable)).trimmed();
    if (!variable.isEmpty())
        return variable;
    return KelProductInfo::value(BaseUrlKey, DefaultBaseUrl).trimmed();
}

QString PuxReleaseSource::defaultKeyFile()
{
    return AppContext::getAppConfDir() + QStringLiteral("/yt-release-key.asc");
}

QUrl PuxReleaseSource::latestUrl() const
{
    return QUrl(base + QStringLiteral("/latest"));
}

QUrl PuxReleaseSource::assetUrl(const QString &tag, const QString &asset) const
{
    return QUrl(QStringLiteral("%1/download/%2/%3")
                    .arg(base, QString::fromLatin1(QUrl::toPercentEncoding(tag)),
                         QString::fromLatin1(QUrl::toPercentEncoding(asset))));
}

QString PuxReleaseSource::tagFromAddress(const QUrl &address)
{
    const QStringList parts = address.path().split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.size() < 2 || parts.at(parts.size() - 2) != QLatin1String("tag"))
        return QString();
    const QString tag = parts.last();
    // A tag becomes part of addresses and file contents: plain characters only.
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9][A-Za-z0-9._-]{0,63}$"));
    return plain.match(tag).hasMatch() ? tag : QString();
}

QVersionNumber PuxReleaseSource::versionOfTag(const QString &tag)
{
    QString text = tag;
    if (text.startsWith(QLatin1Char('v')) || text.startsWith(QLatin1Char('V')))
        text.remove(0, 1);
    qsizetype suffix = 0;
    const QVersionNumber version = QVersionNumber::fromString(text, &suffix);
    if (suffix != text.size() || version.isNull())
        return QVersionNumber();
    return version;
}

QString PuxReleaseSource::digestFor(const QByteArray &sums, const QString &asset)
{
    // "<64 hex digits>  <name>", the name marked "*" in binary mode.
    static const QRegularExpression line(QStringLiteral("^([0-9A-Fa-f]{64}) [ *](.+)$"));
    const QList<QByteArray> lines = sums.split('\n');
    for (QByteArray raw : lines) {
        if (raw.endsWith('\r'))
            raw.chop(1);
        const QRegularExpressionMatch match = line.match(QString::fromUtf8(raw));
        if (match.hasMatch() && match.captured(2) == asset)
            return match.captured(1).toLower();
    }
    return QString();
}

QByteArray PuxReleaseSource::dearmor(const QByteArray &armored)
{
    const QList<QByteArray> lines = armored.split('\n');
    QByteArray body;
    enum { Before, Headers, Body } state = Before;
    for (QByteArray line : lines) {
        line = line.trimmed();
        if (state == Before) {
            if (line.startsWith("-----BEGIN PGP PUBLIC KEY BLOCK-----"))
                state = Headers;
        } else if (state == Headers) {
            if (line.isEmpty())
                state = Body;
        } else {
            if (line.startsWith("-----END PGP"))
                return QByteArray::fromBase64(body, QByteArray::AbortOnBase64DecodingErrors);
            // The checksum line; gpgv checks the packets themselves.
            if (!line.startsWith('='))
                body += line;
        }
    }
    return QByteArray();
}

bool PuxReleaseSource::verifySignature(const QString &keyFile, const QString &fingerprint, const QString &signedFile,
                                       const QString &signature, QString *error)
{
    const QString gpgv = QStandardPaths::findExecutable(QStringLiteral("gpgv"));
    if (gpgv.isEmpty()) {
        *error = QStringLiteral("gpgv, which checks the release's signature, is not installed");
        return false;
    }
    QFile armored(keyFile);
    if (!armored.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("the release key %1 cannot be read").arg(keyFile);
        return false;
    }
    const QByteArray key = dearmor(armored.readAll());
    if (key.isEmpty()) {
        *error = QStringLiteral("%1 holds no OpenPGP public key").arg(keyFile);
        return false;
    }
    // gpgv reads binary keyrings only; it gets a home of its own, so that no
    // keyring or option of the user's takes part.
    QTemporaryDir home;
    QFile keyring(home.filePath(QStringLiteral("trusted.gpg")));
    if (!home.isValid() || !keyring.open(QIODevice::WriteOnly) || keyring.write(key) != key.size()) {
        *error = QStringLiteral("no temporary keyring could be written");
        return false;
    }
    keyring.close();

    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(gpgv, {QStringLiteral("--homedir"), home.path(), QStringLiteral("--status-fd"), QStringLiteral("1"),
                         QStringLiteral("--keyring"), keyring.fileName(), QStringLiteral("--"), signature, signedFile});
    process.closeWriteChannel();
    if (!process.waitForFinished(VerifyTimeoutMs)) {
        process.kill();
        process.waitForFinished(-1);
        *error = QStringLiteral("gpgv did not finish");
        return false;
    }
    const QByteArray status = process.readAllStandardOutput();
    // VALIDSIG's last field is the primary key's fingerprint, whatever
    // subkey made the signature.
    QString signer;
    QString unknownKey;
    bool good = false;
    bool bad = false;
    for (const QByteArray &line : status.split('\n')) {
        const QList<QByteArray> fields = line.trimmed().split(' ');
        if (fields.size() < 2 || fields.at(0) != "[GNUPG:]")
            continue;
        if (fields.at(1) == "GOODSIG")
            good = true;
        else if (fields.at(1) == "BADSIG")
            bad = true;
        else if (fields.at(1) == "NO_PUBKEY" && fields.size() >= 3)
            unknownKey = QString::fromLatin1(fields.at(2));
        else if (fields.at(1) == "VALIDSIG" && fields.size() >= 3)
            signer = QString::fromLatin1(fields.last());
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0 || !good || signer.isEmpty()) {
        if (bad)
            *error = QStringLiteral("the signature is bad: the checksum file is not the one that was signed");
        else if (!unknownKey.isEmpty())
            *error = QStringLiteral("the signature was made with key %1, not with the trusted key %2")
                         .arg(unknownKey, fingerprint);
        else
            *error = QStringLiteral("the signature does not verify: %1")
                         .arg(QString::fromLocal8Bit(process.readAllStandardError()).simplified());
        return false;
    }
    if (signer.compare(fingerprint, Qt::CaseInsensitive) != 0) {
        *error = QStringLiteral("the signature was made with key %1, not with the trusted key %2").arg(signer, fingerprint);
        return false;
    }
    return true;
}

} // namespace Tarn
