#pragma once

class QWidget;

namespace Tarn {

// A child widget without mouse tracking swallows the plain mouse moves over
// it. The live cells of the list views turn tracking on for themselves and
// every child and ignore the moves, so that the view below still sees them
// and keeps its hover row.
void passMouseMoves(QWidget *widget);

} // namespace Tarn
