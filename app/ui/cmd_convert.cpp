// Conversion of the checked recordings and playback.
#include "app/ui/commands.h"

#include "app/convert/frontend.h"

namespace qlm {

void ConvertCommand(frmMain&) {}
void PlayRecCommand(frmMain&) {}
void PlaySelected(frmMain&) {}
void CloseFrontEndForExit(frmMain&) { CloseFrontEnd(); }

}  // namespace qlm
