// Open DB, Make DB, Copy RECs, and closing the catalogue at the end.
#include "app/ui/commands.h"

#include <QString>

namespace qlm {

void OpenCatalogue(frmMain&) {}
void MakeCatalogue(frmMain&) {}
void BuildCatalogue(frmMain&, const QString&) {}
void CopyRecordingsCommand(frmMain&) {}
void CloseCatalogueForExit(frmMain&) {}
void EmptyTempFolderForExit(frmMain&) {}

}  // namespace qlm
