#include "app/export/backup.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include "app/card/copy.h"
#include "app/catalogue/engine.h"
#include "platform/appfolder.h"

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

    QTemporaryFile part(JoinPath(target.absolutePath(), u'.' + target.fileName() + QStringLiteral(".XXXXXX")));
    if (!part.open())
        return fail(FileError(err::kPermissionDenied, destination, part.errorString()));
    part.close();
    const QString partPath = part.fileName();
    // The engine's journal of the copy goes with a failed attempt as well.
    const auto dropJournal = [&partPath] { QFile::remove(partPath + QStringLiteral("-journal")); };
    Error failed;
    if (!db.BackupTo(partPath, &failed)) {
        dropJournal();
        return fail(failed);
    }
    dropJournal();
    const QByteArray from = QFile::encodeName(partPath), to = QFile::encodeName(target.absoluteFilePath());
    if (std::rename(from.constData(), to.constData()) != 0)
        return fail(FileError(err::kPermissionDenied, destination, QString::fromLocal8Bit(std::strerror(errno))));
    part.setAutoRemove(false);  // it is the backup now
    SyncFolder(target.absolutePath());
    return true;
}

}  // namespace qlm
