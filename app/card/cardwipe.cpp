#include "app/card/cardwipe.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "app/card/recording.h"
#include "platform/appfolder.h"

namespace qlm {

void SetAttributesIfExists(const QString& path, qint32 attributes) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return;
    QFile::Permissions permissions = QFile::permissions(path);
    if (attributes & kReadOnlyAttribute)
        permissions &= ~(QFile::WriteOwner | QFile::WriteUser | QFile::WriteGroup | QFile::WriteOther);
    else
        permissions |= QFile::WriteOwner | QFile::WriteUser;
    QFile::setPermissions(path, permissions);
}

QStringList CardRecordingNames(const QString& folder, Error* error) {
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists() || !dir.isReadable()) {
        if (error)
            *error = FileError(err::kPathNotFound, folder, QStringLiteral("the folder cannot be read"));
        return {};
    }
    const QStringList names =
        dir.entryList({RecordingNamePattern()}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    QStringList out;
    for (const QString& name : names)
        if (IsRecordingName(name))
            out << name;
    return out;
}

CardWipeResult DeleteCardRecordingsIn(const QString& folder) {
    CardWipeResult result;
    const QStringList names = CardRecordingNames(folder, &result.error);
    for (const QString& name : names) {
        const QString path = JoinPath(folder, name);
        SetAttributesIfExists(path, kArchiveAttribute);
        if (QFile::remove(path))
            result.deleted << name;
        else
            result.failed << name;
    }
    return result;
}

}  // namespace qlm
