#include "app/card/library.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "platform/appfolder.h"
#include "platform/durablefile.h"
#include "platform/userstate.h"

namespace qlm {
namespace {

constexpr char kLastLibraryFile[] = "library-folder";

QString LastLibraryPath() { return JoinPath(UserStateFolders().settings, QString::fromLatin1(kLastLibraryFile)); }

// The folder's real path, or that of its nearest existing parent with the
// rest appended: a destination may be a folder still to be made.
QString RealPath(const QString& path) {
    QString existing = QFileInfo(path).absoluteFilePath();
    QString rest;
    while (!existing.isEmpty() && !QFileInfo::exists(existing)) {
        const QFileInfo info(existing);
        rest = rest.isEmpty() ? info.fileName() : info.fileName() + u'/' + rest;
        const QString parent = info.absolutePath();
        if (parent == existing)
            break;
        existing = parent;
    }
    const QString real = QFileInfo(existing).canonicalFilePath();
    return rest.isEmpty() ? real : JoinPath(real, rest);
}

}  // namespace

QString LastLibraryFolder() {
    QFile file(LastLibraryPath());
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QString folder = QFile::decodeName(file.read(64 * 1024).trimmed());
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

QString DefaultLibraryFolder() {
    const QString last = LastLibraryFolder();
    if (!last.isEmpty())
        return last;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty())
        return QString();
    const QString calls = JoinPath(documents, QStringLiteral("Calls"));
    return QDir().mkpath(calls) ? calls : QString();
}

bool RememberLibraryFolder(const QString& folder, Error* error) {
    DurableFile file(LastLibraryPath());
    const QByteArray line = QFile::encodeName(QFileInfo(folder).absoluteFilePath()) + '\n';
    if (file.Open() && file.Write(line) && file.Commit())
        return true;
    if (error)
        *error = FileError(err::kPathFileAccess, LastLibraryPath(), file.ErrorString());
    return false;
}

bool IsSameOrInside(const QString& destination, const QString& source) {
    const QString from = QFileInfo(source).canonicalFilePath();
    if (from.isEmpty())
        return false;
    const QString to = RealPath(destination);
    return to == from || to.startsWith(from.endsWith(u'/') ? from : from + u'/');
}

QString NewestCatalogueIn(const QString& folder) {
    const QFileInfoList found =
        QDir(folder).entryInfoList({QStringLiteral("*.mdb")}, QDir::Files | QDir::Readable, QDir::Time);
    return found.isEmpty() ? QString() : found.first().absoluteFilePath();
}

}  // namespace qlm
