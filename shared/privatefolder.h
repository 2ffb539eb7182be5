#pragma once

#include <QString>

namespace Kel {

// Folders that belong to the running user alone (mode 0700), for work that
// must not meet files other users can place: the working folder of the
// outside programs.
namespace PrivateFolder {

// The user's private folder: "marlin" in the runtime folder of the session
// ($XDG_RUNTIME_DIR) when it is usable, else "marlin-<uid>" in the system's
// temporary folder. When someone else holds that name, a fresh folder of
// this process takes its place. Never empty.
QString base();

// A sub-folder of base(), created 0700 when missing. Never empty.
QString path(const QString &name);

// True when path is a real folder (no symbolic link) owned by the running
// user that nobody else may enter; a folder of ours with wider rights is
// narrowed first.
bool claim(const QString &path);

} // namespace PrivateFolder
} // namespace Kel
