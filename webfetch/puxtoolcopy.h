#pragma once

#include <QByteArray>
#include <QString>

namespace Kel {

class PuxFileLock;

// The unpacked copies of the extractor tool in the per-user cache folder:
// "<cache>/<digest>", one per archive, named after the SHA-256 digest of
// the archive.
//
// A copy is unpacked and byte-compiled by the interpreter that runs it
// into a temporary folder, recorded (PuxToolManifest) and renamed into
// place, so that no one ever runs a half-made one. Only the holder of the
// cache's "make.lock" makes, replaces or removes copies. Every process that
// runs a copy holds a shared lock on its ".use" file for as long as it may
// run it; a copy is removed only when its ".use" can be locked exclusively.
class PuxToolCopy
{
public:
    enum Result {
        Made,
        // A complete copy was already in place.
        Present,
        // Another process is making or tidying copies now.
        Busy,
        // The archive is no longer the one of the digest (an update
        // replaced it meanwhile).
        Changed,
        Failed,
    };

    static const QString UseLockName;
    static const QString MakeLockName;
    static const QString IndexName;

    static QString folder(const QString &cacheDir, const QString &digest);

    // Makes the copy of archive unless a complete one is there, then tidies
    // (below). Blocks for as long as the unpacking takes.
    static Result make(const QString &cacheDir, const QString &archive, const QString &digest,
                       const QString &interpreter, QString *error);
    // Removes the copies no process uses, except keepDigest's, and what
    // interrupted runs left behind; nothing while another process holds
    // the make lock.
    static void tidy(const QString &cacheDir, const QString &keepDigest);
    // True when the cache holds anything tidy() might remove.
    static bool needsTidying(const QString &cacheDir, const QString &keepDigest);

    // Locks the copy of digest for use (shared) and checks it; true when it
    // is complete and intact, with lease holding the lock.
    static bool acquire(const QString &cacheDir, const QString &digest, PuxFileLock *lease);

    // What identifies the archive file as it is now (device, file number,
    // size and times); empty when it cannot be read.
    static QByteArray fileKey(const QString &path);
    // The SHA-256 digest of a file in lower-case hexadecimal; empty on failure.
    static QString fileDigest(const QString &path);
    // The digest remembered in the cache for path with key, or empty.
    static QString storedDigest(const QString &cacheDir, const QString &path, const QByteArray &key);
    static void storeDigest(const QString &cacheDir, const QString &path, const QByteArray &key,
                            const QString &digest);

    static bool isDigestName(const QString &name);
};

} // namespace Kel
