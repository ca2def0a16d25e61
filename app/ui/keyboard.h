// Keyboard and screen-reader help shared by the forms: mnemonics that follow
// the texts of the current language, and accessible names built from the
// captions a sighted user reads beside a control.
#pragma once

#include <initializer_list>

class QMenu;
class QMenuBar;
class QString;
class QWidget;

namespace qlm {

// Gives each item of the menu a mnemonic of its own: the first word start,
// else the first letter, that no other item of the menu uses. A text that
// already carries one keeps it. Run after the texts are set; the bar's own
// titles are handled likewise, and every menu of the bar.
void AssignMnemonics(QMenu* menu);
void AssignMnemonics(QMenuBar* bar);

// The control's accessible name: the captions' texts without their
// mnemonic marks, joined by blanks (for example "Date", "From", "Year").
void SetAccessibleName(QWidget* control, std::initializer_list<QString> captions);

}  // namespace qlm
