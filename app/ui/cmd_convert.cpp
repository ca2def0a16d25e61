// Conversion of the checked recordings and playback.
#include "app/ui/commands.h"

namespace qlm {

void ConvertCommand(frmMain&) {}
void PlayRecCommand(frmMain&) {}
void PlaySelected(frmMain&) {}
void CloseFrontEndForExit(frmMain&) {}

}  // namespace qlm
