#pragma once

#include "tarncore/convert/convertparameters.h"
#include "tarncore/task/progressedtask.h"
#include "tarncore/tarncoreglobal.h"

namespace Kel {
class MediaConverter;
}

namespace Tarn {

// One conversion in the convert pool, keyed by its destination and profile.
// It drives one converter of the back end and turns the converter's signals
// into task states. Error codes of its own: -10 the parameters are not
// valid or there is no pool, -11 a conversion with the same key is already
// in the pool; any other code comes from the converter.
class TARNCORE_EXPORT ConvertTask : public Kel::ProgressedTask
{
    Q_OBJECT
public:
    enum ErrorCode : qint32 {
        InvalidParameters = -10,
        DuplicateConversion = -11,
    };

    explicit ConvertTask(Kel::TaskPool *pool);
    ~ConvertTask() override;

    // "<destination> : <profile text>"
    static QString makeTaskKey(const ConvertParameters &params);

    // Creates the converter and enters the pool; a failure ends the task at
    // once with one of the codes above. Only the first call acts.
    void convert(const ConvertParameters &params);
    ConvertParameters getConvertParameters() const { return parameters; }
    Kel::MediaConverter *getConverter() const { return converter; }
    // The file a finished conversion wrote: the destination, or a numbered
    // name when another program took the destination meanwhile. Empty
    // before the conversion has finished.
    QString getResultFile() const;

    QString key() const override;
    bool isValid() const override;
    void run() override;
    void pause() override;
    void resume() override;
    void cancel() override;
    void clear() override;

protected slots:
    void onConvertStarted();
    void onConvertFinished();
    void onConvertError(qint32 errorCode);

private:
    void fail(qint32 code, const QString &text);

    Kel::MediaConverter *converter = nullptr;
    ConvertParameters parameters;
};

} // namespace Tarn
