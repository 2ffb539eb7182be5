#include "widgetkit/listrubberband.h"

#include <QPainter>

namespace Tarn {

ListRubberBand::ListRubberBand(QWidget *viewport)
    : QWidget(viewport)
{
    setObjectName(QStringLiteral("listRubberBand"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void ListRubberBand::setColors(const QColor &borderColor, const QColor &fillColor)
{
    border = borderColor;
    fill = fillColor;
    update();
}

void ListRubberBand::setBand(const QRect &rect)
{
    // Drawn a pixel wider so that a band of no width still shows its frame.
    setGeometry(rect.adjusted(0, 0, 1, 1));
    raise();
    show();
}

void ListRubberBand::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    // A skin gives plain colours; an opaque fill would hide the rows.
    QColor shade = fill;
    if (shade.alpha() == 255)
        shade.setAlpha(48);
    painter.fillRect(rect(), shade);
    painter.setPen(QPen(border, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace Tarn
