#pragma once

class QProgressBar;

namespace Tarn {

// Sets a progress bar's value without the synchronous repaint QProgressBar
// does by itself: the bars are brought up to date while their view is being
// painted, and a repaint from there would recurse. The bar repaints with the
// next update instead.
void setBarValue(QProgressBar *bar, int value);

} // namespace Tarn
