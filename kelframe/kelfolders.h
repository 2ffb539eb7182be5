#pragma once

#include "kelframe/kelframeglobal.h"

#include <QString>

namespace Kel {

// The user's folders, created when missing. Usable without a window system.
KELFRAME_EXPORT QString appDataPath();
KELFRAME_EXPORT QString tempPath();
KELFRAME_EXPORT QString videoPath();
KELFRAME_EXPORT QString configPath();
// Files the program can make again at any time (recoloured icons, the
// extractor tool's unpacked copies).
KELFRAME_EXPORT QString cachePath();
// Really tries to create and remove a file in path.
KELFRAME_EXPORT bool isFolderWritable(const QString &path);

// Points every folder above (and the default preference file) below root,
// so that tests and demos never touch the user's own folders. An empty root
// restores the platform's standard locations. The environment variable
// MARLIN_HOME has the same effect at start-up.
KELFRAME_EXPORT void setFolderRoot(const QString &root);
KELFRAME_EXPORT QString folderRoot();

} // namespace Kel
