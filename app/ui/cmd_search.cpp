// The search command of the search panel.
#include "app/ui/commands.h"

namespace qlm {

void StartSearch(frmMain&) {}

}  // namespace qlm
