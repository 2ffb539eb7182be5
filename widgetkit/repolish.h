#pragma once

class QWidget;

namespace Tarn {

// Lets style-sheet rules keyed on a dynamic property take effect at once:
// the widget's style unpolishes and polishes it again.
void repolish(QWidget *widget);

} // namespace Tarn
