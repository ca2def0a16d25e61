// Export of the checked calls, catalogue backup and deletion of old calls:
// their menu items (Tools: Export..., Delete Old Calls...; File: Back Up
// Catalogue...) and commands (cmd_export.cpp).
#pragma once

namespace qlm {

class frmMain;

// Adds the three items to the main window's menus. Export follows Convert's
// enabled state, the other two that of Write Comment (a catalogue is open).
void AddExportCommands(frmMain& main);

void ExportCommand(frmMain& main);
void BackupCommand(frmMain& main);
void PruneCommand(frmMain& main);

}  // namespace qlm
