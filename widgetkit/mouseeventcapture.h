#pragma once

#include "widgetkit/widgetkitglobal.h"

#include <QEvent>
#include <QObject>
#include <QPointer>

class QWidget;

namespace Tarn {

// Tells when the user clicks outside a widget: while capturing, a mouse
// press or double click on any widget of the watched area that is not the
// own widget or one of its descendants emits outWidgetMouseClicked().
class WIDGETKIT_EXPORT MouseEventCapture : public QObject
{
    Q_OBJECT
public:
    explicit MouseEventCapture(QObject *parent = nullptr);
    ~MouseEventCapture() override;

    void startCapture(QWidget *own, QWidget *area);
    void stopCapture();
    bool isCapturing() const;

signals:
    void outWidgetMouseClicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> m_own;
    QPointer<QWidget> m_area;
    bool m_capturing = false;
    quint64 m_lastTimestamp = 0;
    int m_lastType = 0;
};

} // namespace Tarn
