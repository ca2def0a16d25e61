// Font entries of the string library applied to controls.
#pragma once

class QWidget;

namespace qlm {

// Gives the control the font entry's name (when not empty), size (when 1 or
// more) and boldness. An entry number outside the loaded table changes
// nothing.
void ApplyFont(QWidget* control, int entry);

}  // namespace qlm
