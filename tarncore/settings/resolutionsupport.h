#pragma once

#include "tarncore/tarncoreglobal.h"

#include <QList>
#include <QSize>

namespace Tarn {

// Frame sizes offered for one purpose, with the one preselected.
class TARNCORE_EXPORT ResolutionSupport
{
public:
    const QList<QSize> &getResolutions() const { return resolutions; }
    void setResolutions(const QList<QSize> &list) { resolutions = list; }
    void appendResolution(const QSize &size) { resolutions.append(size); }

    QSize getDefaultResolution() const { return defaultResolution; }
    void setDefaultResolution(const QSize &size) { defaultResolution = size; }

    bool isValid() const;
    bool operator==(const ResolutionSupport &other) const;
    bool operator!=(const ResolutionSupport &other) const { return !(*this == other); }

private:
    QList<QSize> resolutions;
    QSize defaultResolution = QSize(-1, -1);
};

} // namespace Tarn
