#include "app/card/imports.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include "platform/appfolder.h"
#include "platform/filename.h"

namespace qlm {
namespace {

bool IsSha256Hex(const QByteArray& text) {
    if (text.size() != 64)
        return false;
    for (const char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

}  // namespace

bool AppendImports(const QString& folder, const QVector<ImportedFile>& files, Error* error) {
    if (files.isEmpty())
        return true;
    QByteArray lines;
    for (const ImportedFile& file : files)
        lines += file.sha256 + ' ' + QByteArray::number(file.size) + ' ' + file.imported.toLatin1() + ' ' +
                 file.name.toUtf8() + '\n';
    const QByteArray path = EncodeName(JoinPath(folder, QString::fromLatin1(kImportLedgerName)));
    const int fd = ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    bool ok = fd >= 0;
    // One write for all lines: a kill leaves at most one torn last line.
    for (qsizetype done = 0; ok && done < lines.size();) {
        const ssize_t wrote = ::write(fd, lines.constData() + done, size_t(lines.size() - done));
        if (wrote > 0)
            done += wrote;
        else if (errno != EINTR)
            ok = false;
    }
    ok = ok && ::fsync(fd) == 0;
    const int failure = errno;
    if (fd >= 0)
        ::close(fd);
    if (!ok && error)
        *error = FileError(failure == ENOSPC ? err::kDiskFull : err::kPermissionDenied, DecodeName(path),
                           qt_error_string(failure));
    return ok;
}

QHash<QString, ImportedFile> ReadImports(const QString& folder) {
    QHash<QString, ImportedFile> found;
    QFile file(JoinPath(folder, QString::fromLatin1(kImportLedgerName)));
    if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly))
        return found;
    const QByteArray all = file.readAll();
    for (const QByteArray& line : all.split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() != 4 || !IsSha256Hex(parts[0]))
            continue;
        bool sized = false;
        ImportedFile entry;
        entry.sha256 = parts[0];
        entry.size = parts[1].toLongLong(&sized);
        entry.imported = QString::fromLatin1(parts[2]);
        entry.name = QString::fromUtf8(parts[3]);
        if (sized && !entry.name.isEmpty())
            found.insert(entry.name, entry);
    }
    return found;
}

QByteArray FileSha256(const QString& path, Error* error, qint64* size) {
    const int fd = ::open(EncodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int failure = fd < 0 ? errno : ENODEV;
        if (fd >= 0)
            ::close(fd);
        if (error)
            *error = FileError(failure == ENOENT ? err::kFileNotFound : err::kPathFileAccess, path,
                               failure == ENODEV ? QStringLiteral("not a regular file") : qt_error_string(failure));
        return {};
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QByteArray buffer(256 * 1024, Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), size_t(buffer.size()));
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            const int failure = errno;
            ::close(fd);
            if (error)
                *error = FileError(err::kPathFileAccess, path, qt_error_string(failure));
            return {};
        }
        hash.addData(QByteArrayView(buffer.constData(), got));
        total += got;
    }
    ::close(fd);
    if (size)
        *size = total;
    return hash.result().toHex();
}

QString ImportTimeNow() { return QDateTime::currentDateTimeUtc().toString(Qt::ISODate); }

}  // namespace qlm
