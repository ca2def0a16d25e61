// Open DB, Make DB, Copy RECs, and closing the catalogue at the end.
#include "app/ui/commands.h"

namespace qlm {

void OpenCatalogue(frmMain&) {}
void MakeCatalogue(frmMain&) {}
void CopyRecordingsCommand(frmMain&) {}
void CloseCatalogueForExit(frmMain&) {}
void EmptyTempFolderForExit(frmMain&) {}

}  // namespace qlm
