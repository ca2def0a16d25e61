// Comments, deletion of calls, deletion of the card's recordings.
#include "app/ui/commands.h"

namespace qlm {

void WriteComment(frmMain&) {}
void DeleteRecords(frmMain&) {}
void DeleteCardRecordings(frmMain&) {}

}  // namespace qlm
