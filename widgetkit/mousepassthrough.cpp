#include "widgetkit/mousepassthrough.h"

#include <QWidget>

namespace Tarn {

void passMouseMoves(QWidget *widget)
{
    if (!widget)
        return;
    widget->setMouseTracking(true);
    for (QWidget *child : widget->findChildren<QWidget *>())
        child->setMouseTracking(true);
}

} // namespace Tarn
