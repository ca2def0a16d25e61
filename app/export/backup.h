// A backup of the open catalogue: the only place where comments live. The
// recordings are not part of it; they stay in the catalogue's folder.
#pragma once

#include <QString>

#include "platform/error.h"

namespace qlm {

class Database;

// Copies the catalogue through the engine's online backup while the
// connection holds it, into a temporary file beside the destination that is
// renamed over the destination only when complete and on the medium: an
// existing backup is replaced only by a whole one. Refuses the catalogue's
// own file and a destination in a missing folder. False with the error set;
// nothing of the attempt is left then. The temporary files that killed
// backups to the same destination left are removed first.
bool BackupCatalogue(const Database& db, const QString& destination, Error* error);

}  // namespace qlm
