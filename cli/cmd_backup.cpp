// qlmtool backup CATALOGUE DEST.mdb: a copy of a catalogue that nobody holds,
// made as the window's Back Up Catalogue makes it. Prints the backup's path.
#include <QFileInfo>

#include "app/catalogue/engine.h"
#include "app/catalogue/store.h"
#include "app/export/backup.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "cli/cli.h"

namespace qlm::cli {
int CmdBackup(const QStringList& arguments) {
    if (arguments.size() != 2)
        return Usage("backup");
    const QString& catalogue = arguments[0];
    const QString& destination = arguments[1];
    if (!LoadCallTexts())
        return kFailed;
    Error error;
    auto db = Database::Open(catalogue, true, &error);
    if (!db) {
        ReportCatalogueError(catalogue, error);
        return kFailed;
    }
    if (!BackupCatalogue(*db, destination, &error)) {
        Err(QStringLiteral("%1: %2").arg(LibStr(str::BackupFailed), error.description));
        return kFailed;
    }
    Out(QFileInfo(destination).absoluteFilePath());
    Err(LibStr(str::BackupWithoutRecordings) + u' ' + FolderOf(QFileInfo(catalogue).absoluteFilePath()));
    return kOk;
}

}  // namespace qlm::cli
