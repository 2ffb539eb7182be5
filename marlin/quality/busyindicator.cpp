#include "marlin/quality/busyindicator.h"

#include <QPainter>
#include <QPainterPath>

namespace Tarn {

BusyIndicator::BusyIndicator(QWidget *parent)
    : QWidget(parent)
    , arcColor(palette().color(QPalette::Highlight))
    , track(palette().color(QPalette::Mid))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    spin.setStartValue(0.0);
    spin.setEndValue(360.0);
    spin.setDuration(1100);
    spin.setLoopCount(-1);
    connect(&spin, &QVariantAnimation::valueChanged, this, [this] { update(); });
}

void BusyIndicator::start()
{
    wanted = true;
    if (isVisible() && spin.state() != QAbstractAnimation::Running)
        spin.start();
}

void BusyIndicator::stop()
{
    wanted = false;
    spin.stop();
}

bool BusyIndicator::isRunning() const
{
    return spin.state() == QAbstractAnimation::Running;
}

void BusyIndicator::setColor(const QColor &color)
{
    arcColor = color;
    update();
}

void BusyIndicator::setTrackColor(const QColor &color)
{
    track = color;
    update();
}

QSize BusyIndicator::sizeHint() const
{
    return QSize(32, 32);
}

void BusyIndicator::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (wanted)
        spin.start();
}

void BusyIndicator::hideEvent(QHideEvent *event)
{
    // Nothing spins out of sight.
    spin.stop();
    QWidget::hideEvent(event);
}

void BusyIndicator::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int side = qMin(width(), height());
    const qreal pen = qMax(2.0, side / 10.0);
    const QRectF box((width() - side) / 2.0 + pen / 2, (height() - side) / 2.0 + pen / 2, side - pen, side - pen);
    painter.setPen(QPen(track, pen, Qt::SolidLine, Qt::RoundCap));
    painter.drawEllipse(box);
    painter.setPen(QPen(arcColor, pen, Qt::SolidLine, Qt::RoundCap));
    const qreal angle = spin.currentValue().toReal();
    // Qt counts sixteenths of a degree, counter-clockwise.
    painter.drawArc(box, int(-angle * 16) + 90 * 16, -100 * 16);
}

} // namespace Tarn
