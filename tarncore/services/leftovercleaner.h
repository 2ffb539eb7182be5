#pragma once

#include "tarncore/tarncoreglobal.h"

#include <QStringList>

namespace Tarn {

// Removes what runs of the program that were killed outright (or lost their
// machine's power) left behind: the temporary files of downloads and
// conversions, and the private folders of command-line runs. Only entries
// that carry a run's stamp (Kel::RunStamp), belong to this user and whose
// run is certainly gone are removed; another running instance's files stay.
class TARNCORE_EXPORT LeftoverCleaner
{
public:
    // Looks into each folder (not below it); the number of entries removed.
    static int removeLeftovers(const QStringList &folders);
};

} // namespace Tarn
