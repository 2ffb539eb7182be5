#pragma once

#include "shared/webmediainfo.h"
#include "webfetch/webfetchglobal.h"

#include <QObject>

namespace Kel {

// Asks the extractor tool for the media information of one page. Error
// codes: -1 when the tool failed or wrote an error, 0 to 5 the
// QProcess::ProcessError of a tool that did not run.
class WEBFETCH_EXPORT WebMediaInfoExtractor : public QObject
{
    Q_OBJECT

public:
    explicit WebMediaInfoExtractor(QObject *parent = nullptr);
    ~WebMediaInfoExtractor() override;

signals:
    void finished(Kel::WebMediaInfo mediaInfo);
    void error(qint32 errorCode);

public slots:
    // Blocks until the tool has ended.
    virtual Kel::WebMediaInfo getMediaInfo(QString url) = 0;
    // Returns at once; the answer comes as finished() and/or error().
    virtual void getMediaInfoBySignal(QString url) = 0;
    virtual void cancel() = 0;
};

} // namespace Kel
