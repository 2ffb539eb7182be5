#pragma once

#include "tarncore/tarncoreglobal.h"

#include <QList>
#include <QString>

namespace Tarn {

// The codecs allowed by one rule, by display name, with the one preselected.
class TARNCORE_EXPORT CodecSupport
{
public:
    const QList<QString> &getCodecs() const { return codecs; }
    void setCodecs(const QList<QString> &list) { codecs = list; }
    void appendCodec(const QString &codec) { codecs.append(codec); }

    QString getDefaultCodec() const { return defaultCodec; }
    void setDefaultCodec(const QString &codec) { defaultCodec = codec; }

    bool isValid() const;
    bool operator==(const CodecSupport &other) const;
    bool operator!=(const CodecSupport &other) const { return !(*this == other); }

private:
    QList<QString> codecs;
    QString defaultCodec;
};

} // namespace Tarn
