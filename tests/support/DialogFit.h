#pragma once

#include <string>
#include <vector>

class QWidget;

namespace testing_support {

// What would be cut off or drawn over on `dialog` as it is laid out now, one line per fault:
// static texts that need more lines than their height holds or have a word wider than their
// width, captions of buttons, radio buttons, check boxes and group boxes wider than their
// control, and controls that overlap (group boxes aside, which hold others).
std::vector<std::string> ClippedTexts(const QWidget& dialog);

}  // namespace testing_support
