#pragma once

class QWidget;

namespace framework {

// The rules that keep template captions inside their rectangles. The face they are drawn in is
// DialogFont (DialogItems.h), defined with them.

// Our face is a little wider than the one the templates were drawn for, which some tight
// captions feel. Such a caption gets its letters set closer, by at most 0.6 pixel, rather than
// wrapping onto a line its rectangle does not show or running under its check box. Call it
// after the caption or the size changed; a caption that fits gets the plain spacing back.
void TightenToFit(QWidget& widget);

}  // namespace framework
