#include "app/card/cardwipe.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "app/card/imports.h"
#include "app/card/recording.h"
#include "platform/appfolder.h"

namespace qlm {
namespace {

QByteArray Local(const QString& path) { return QFile::encodeName(path); }

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// The library's copy of a card recording whose bytes hash to sha (the card
// file being *card): its own regular file, not a link, not the card's file.
bool LibraryHolds(const QString& library, const QString& name, const QByteArray& sha, const struct stat& card) {
    for (const QString& candidate : {name, VariantRecordingName(name, sha)}) {
        const QString path = JoinPath(library, candidate);
        struct stat st {};
        if (::lstat(Local(path).constData(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size != card.st_size)
            continue;
        if (st.st_dev == card.st_dev && st.st_ino == card.st_ino)
            continue;
        Error ignored;
        if (FileSha256(path, &ignored) == sha)
            return true;
    }
    return false;
}

}  // namespace

void SetAttributesIfExists(const QString& path, qint32 attributes) {
    struct stat st {};
    if (!(attributes & kReadOnlyAttribute) || ::lstat(Local(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return;
    ::chmod(Local(path).constData(), st.st_mode & ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH) & 07777);
}

EntryKind RecordingEntryKind(const QString& folder, const QString& name) {
    const QByteArray path = Local(JoinPath(folder, name));
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0)
        return errno == ENOENT ? EntryKind::Missing : EntryKind::Other;
    if (S_ISREG(st.st_mode))
        return EntryKind::Regular;
    if (!S_ISLNK(st.st_mode))
        return EntryKind::Other;
    char* target = ::realpath(path.constData(), nullptr);
    char* home = ::realpath(Local(folder).constData(), nullptr);
    bool inside = false;
    if (target && home && ::stat(target, &st) == 0 && S_ISREG(st.st_mode)) {
        const QByteArray t(target);
        inside = t.left(t.lastIndexOf('/')) == QByteArray(home) || (QByteArray(home) == "/" && t.lastIndexOf('/') == 0);
    }
    std::free(target);
    std::free(home);
    return inside ? EntryKind::Link : EntryKind::Other;
}

QStringList CardRecordingNames(const QString& folder, Error* error) {
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists() || !dir.isReadable()) {
        if (error)
            *error = FileError(err::kPathNotFound, folder, QStringLiteral("the folder cannot be read"));
        return {};
    }
    // Every kind of entry (FIFOs and broken links too), so that what is no
    // recording is counted rather than passed over unseen.
    const QStringList names = dir.entryList(
        {RecordingNamePattern()}, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    QStringList out;
    for (const QString& name : names)
        if (IsRecordingName(name))
            out << name;
    return out;
}

CardWipeResult DeleteCardRecordingsIn(const QString& folder, const QString& library) {
    CardWipeResult result;
    if (library.isEmpty() || !QFileInfo(library).isDir()) {
        result.error = FileError(err::kPathNotFound, library, QStringLiteral("the library folder cannot be read"));
        return result;
    }
    const QStringList names = CardRecordingNames(folder, &result.error);
    for (const QString& name : names) {
        const QString path = JoinPath(folder, name);
        const EntryKind kind = RecordingEntryKind(folder, name);
        if (kind == EntryKind::Missing)
            continue;
        if (kind == EntryKind::Other) {
            result.skipped << name;
            continue;
        }
        // The card file as hashed; it must be the same when it goes.
        struct stat before {};
        struct stat entry {};
        Error readError;
        const bool seen =
            ::stat(Local(path).constData(), &before) == 0 && ::lstat(Local(path).constData(), &entry) == 0;
        const QByteArray sha = seen ? FileSha256(path, &readError) : QByteArray();
        if (sha.isEmpty() || !LibraryHolds(library, name, sha, before)) {
            result.notInLibrary << name;
            continue;
        }
        struct stat now {};
        struct stat nowEntry {};
        if (::stat(Local(path).constData(), &now) != 0 || ::lstat(Local(path).constData(), &nowEntry) != 0 ||
            !SameFile(before, now) || !SameFile(entry, nowEntry)) {
            result.notInLibrary << name;
            continue;
        }
        if (::unlink(Local(path).constData()) == 0)
            result.deleted << name;
        else
            result.failed << name;
    }
    return result;
}

}  // namespace qlm
