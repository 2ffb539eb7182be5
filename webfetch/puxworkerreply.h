#pragma once

#include "webfetch/webfetchglobal.h"

#include <QObject>
#include <QString>

namespace Kel {

// One media-information request to the extractor worker. It answers once:
// answered() with what a one-shot run of the tool would have given, or
// failed() when the worker could not (it could not start, ended, or took too
// long), and the caller then runs the tool itself. The reply belongs to the
// caller; deleting it drops the answer.
class WEBFETCH_EXPORT PuxWorkerReply final : public QObject
{
    Q_OBJECT

public:
    explicit PuxWorkerReply(quint64 id, QObject *parent = nullptr);

    quint64 id() const { return requestId; }

signals:
    // The exit status, standard output and standard error of the run.
    void answered(int status, const QString &output, const QString &errorOutput);
    void failed(const QString &reason);

private:
    quint64 requestId;
};

} // namespace Kel
