#include "widgetkit/progressbarvalue.h"

#include <QProgressBar>

namespace Tarn {

void setBarValue(QProgressBar *bar, int value)
{
    if (bar->value() == value)
        return;
    const bool updates = bar->updatesEnabled();
    bar->setUpdatesEnabled(false);
    bar->setValue(value);
    bar->setUpdatesEnabled(updates);
    bar->update();
}

} // namespace Tarn
