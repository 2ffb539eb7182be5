#pragma once

#include "widgetkit/widgetkitglobal.h"

#include <QObject>
#include <QString>

namespace Tarn {

// The process-wide balloon service: any code on the GUI thread asks for a
// short notice; the main window shows it in its balloon dialog.
class WIDGETKIT_EXPORT BalloonMessage : public QObject
{
    Q_OBJECT
public:
    enum Mode {
        PlainMode = 0,
        // The balloon offers "Don't show me again" for its message id.
        DisableOptionMode = 16,
    };
    Q_ENUM(Mode)

    // Created on first use, kept for the rest of the run.
    static BalloonMessage *getInstance();
    static BalloonMessage *instance() { return getInstance(); }

    void balloon(const QString &text, const QString &id);
    void balloon(const QString &text, const QString &id, const QString &type, Mode mode);

    // A text shorter than 26 characters unchanged; a longer one on one line,
    // elided in the middle to 150 pixels of the default font.
    static QString singleLineString(const QString &text);

signals:
    void message(const QString &text, const QString &id, int mode, const QString &type);

private:
    explicit BalloonMessage(QObject *parent = nullptr);
};

} // namespace Tarn
