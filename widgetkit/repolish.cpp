#include "widgetkit/repolish.h"

#include <QStyle>
#include <QWidget>

namespace Tarn {

void repolish(QWidget *widget)
{
    if (!widget)
        return;
    QStyle *style = widget->style();
    style->unpolish(widget);
    style->polish(widget);
    widget->update();
}

} // namespace Tarn
