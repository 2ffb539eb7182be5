#pragma once

#include <QCoreApplication>
#include <QString>
#include <QTemporaryDir>

#include <memory>

class KelPref;

namespace Tarn {

// The core for one run of the program: the application context with its
// managers and pools, over a private copy of the user's settings that the
// command's options may change for this run only. The user's own
// preference file is read, never written.
class CoreSession
{
    Q_DECLARE_TR_FUNCTIONS(Tarn::CoreSession)
public:
    CoreSession();
    // Closes the session when close() was not called.
    ~CoreSession();
    CoreSession(const CoreSession &) = delete;
    CoreSession &operator=(const CoreSession &) = delete;

    // Copies the user's settings into the private store, hands it to the
    // settings manager and starts the application context. False with the
    // reason in *error.
    bool open(QString *error);
    // Ends whatever still runs the way the program's window does on
    // closing (downloads, conversions, then the item lists), stops the
    // pools and deletes the ended tasks, so that no child process and no
    // temporary file outlives the run.
    void close();

    bool isOpen() const { return opened; }

    // Where the settings of this run live (tests and diagnostics).
    QString storeFile() const;

private:
    QTemporaryDir storeDir;
    std::unique_ptr<KelPref> store;
    bool opened = false;
};

} // namespace Tarn
