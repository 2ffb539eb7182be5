#include "widgetkit/mouseeventcapture.h"

#include <QCoreApplication>
#include <QInputEvent>
#include <QWidget>

namespace Tarn {

MouseEventCapture::MouseEventCapture(QObject *parent)
    : QObject(parent)
{
}

MouseEventCapture::~MouseEventCapture()
{
    stopCapture();
}

// Watching through the application sees the widgets the area gains while
// the capture runs too; whether a widget is the own widget's is decided at
// the click, so that children added to it later count as its own.
void MouseEventCapture::startCapture(QWidget *own, QWidget *area)
{
    stopCapture();
    if (!own || !area)
        return;
    m_own = own;
    m_area = area;
    m_capturing = true;
    QCoreApplication::instance()->installEventFilter(this);
}

void MouseEventCapture::stopCapture()
{
    if (!m_capturing)
        return;
    m_capturing = false;
    if (QCoreApplication *app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

bool MouseEventCapture::isCapturing() const
{
    return m_capturing;
}

bool MouseEventCapture::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (m_capturing && (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick)
        && watched->isWidgetType()) {
        // A press that a widget does not take travels up to its parents as
        // copies with the same time stamp: the first receiver decides.
        const auto *input = static_cast<QInputEvent *>(event);
        if (input->timestamp() == m_lastTimestamp && type == m_lastType)
            return QObject::eventFilter(watched, event);
        m_lastTimestamp = input->timestamp();
        m_lastType = type;
        auto *widget = static_cast<QWidget *>(watched);
        const bool inArea = m_area && (widget == m_area || m_area->isAncestorOf(widget));
        const bool own = m_own && (widget == m_own || m_own->isAncestorOf(widget));
        if (inArea && !own)
            emit outWidgetMouseClicked();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace Tarn
