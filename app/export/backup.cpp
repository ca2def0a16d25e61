#include "app/export/backup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "app/catalogue/engine.h"
#include "app/export/staging.h"
#include "platform/appfolder.h"
#include "platform/durablefile.h"

namespace qlm {

bool BackupCatalogue(const Database& db, const QString& destination, Error* error) {
    const QFileInfo target(destination);
    const auto fail = [error](const Error& failed) {
        if (error)
            *error = failed;
        return false;
    };
    if (destination.isEmpty() || !target.absoluteDir().exists())
        return fail(FileError(err::kPathNotFound, destination, QStringLiteral("no such folder")));
    if (target.exists() && !target.isFile())
        return fail(FileError(err::kPathFileAccess, destination, QStringLiteral("not a file")));
    if (target.exists() && target.canonicalFilePath() == QFileInfo(db.Path()).canonicalFilePath())
        return fail(FileError(err::kPathFileAccess, destination, QStringLiteral("this is the catalogue itself")));

    // What killed backups left here goes first; this run's temporary file
    // is held against the same sweep of another run.
    const FolderRunGuard guard(target.absolutePath(), [&] { SweepBackupLeftovers(target.absoluteFilePath()); });
    // Owner-only, as the catalogue's comments may be private.
    DurableFile part(target.absoluteFilePath());
    if (!part.Open() || !part.SetPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return fail(FileError(err::kPermissionDenied, destination, part.ErrorString()));
    // The engine writes the temporary file through a handle of its own.
    const QString partPath = part.TemporaryPath();
    Error failed;
    const bool copied = db.BackupTo(partPath, &failed);
    // The engine's journal of the copy goes with a failed attempt as well.
    QFile::remove(partPath + QStringLiteral("-journal"));
    if (!copied)
        return fail(failed);
    if (!part.Commit()) {
        const int number = part.ErrorCode() == QFileDevice::RenameError ? err::kPermissionDenied : err::kDiskFull;
        return fail(FileError(number, destination, part.ErrorString()));
    }
    return true;
}

}  // namespace qlm
