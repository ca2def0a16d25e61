// The program entry: string library first, then the main window.
#pragma once

class QApplication;
class QIcon;

namespace qlm {

class frmMain;

inline constexpr int kExitFatalStrings = 2;

// Loads the string library of the application folder; on failure shows the
// fatal message (box with OK, and stderr) and returns kExitFatalStrings.
// Returns 0 when the library is loaded.
int LoadStringLibraryOrFail();

// The program's own icon (the card with the handset) in every size the
// build rendered.
QIcon ApplicationIcon();

// The whole start: library, main window, event loop. Returns the exit status.
int RunProgram(QApplication& app);

}  // namespace qlm
