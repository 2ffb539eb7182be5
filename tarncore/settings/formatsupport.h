#pragma once

#include "tarncore/tarncoreglobal.h"

#include <QList>
#include <QString>

namespace Tarn {

// The container formats offered for one purpose, with the one preselected.
class TARNCORE_EXPORT FormatSupport
{
public:
    const QList<QString> &getFormats() const { return formats; }
    void setFormats(const QList<QString> &list) { formats = list; }
    void appendFormat(const QString &format) { formats.append(format); }

    QString getDefaultFormat() const { return defaultFormat; }
    void setDefaultFormat(const QString &format) { defaultFormat = format; }

    bool isValid() const;
    bool operator==(const FormatSupport &other) const;
    bool operator!=(const FormatSupport &other) const { return !(*this == other); }

private:
    QList<QString> formats;
    QString defaultFormat;
};

} // namespace Tarn
