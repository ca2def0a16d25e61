#include "app/card/copy.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "app/card/progress.h"
#include "app/card/recording.h"
#include "platform/appfolder.h"

namespace qlm {

namespace {

// Read straight from the directory: QDir makes and sorts a file information
// record per entry, which on a card of 30,000 recordings cost more than
// reading all their headers. take(name) gets the entries that are no folders
// (nor links to one), as the file system spells them; wanted(name) is asked
// first, so that only the names wanted cost a conversion or a look at the
// entry. False when the folder cannot be read.
template <typename Wanted, typename Take>
bool ForEachFileIn(const QString& folder, const Wanted& wanted, const Take& take) {
    DIR* dir = opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return false;
    while (const dirent* entry = readdir(dir)) {
        const QLatin1String name(entry->d_name, qsizetype(std::strlen(entry->d_name)));
        if (name == QLatin1String(".") || name == QLatin1String("..") || !wanted(name))
            continue;
        // Everything but folders, as QDir::Files | QDir::System takes them: a
        // dangling link under a recording's name is reported, not passed over.
        if (entry->d_type == DT_DIR)
            continue;
        struct stat target {};
        if ((entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) &&
            ::fstatat(dirfd(dir), entry->d_name, &target, 0) == 0 && S_ISDIR(target.st_mode))
            continue;
        take(name);
    }
    closedir(dir);
    return true;
}

bool IsReadableFolder(const QString& folder, Error* error) {
    const QDir dir(folder);
    if (!folder.isEmpty() && dir.exists() && dir.isReadable())
        return true;
    if (error)
        *error = FileError(err::kPathNotFound, folder, QStringLiteral("cannot read the folder"));
    return false;
}

}  // namespace

QStringList FileNamesIn(const QString& folder, QLatin1String suffix) {
    QStringList names;
    ForEachFileIn(
        folder, [&](QLatin1String name) { return name.endsWith(suffix); },
        [&](QLatin1String name) { names << QFile::decodeName(QByteArray(name.data(), name.size())); });
    return names;
}

std::vector<std::string> RecordingFileNamesIn(const QString& folder, Error* error, QStringList* others,
                                              QLatin1String suffix) {
    std::vector<std::string> names;
    if (!IsReadableFolder(folder, error))
        return names;
    // A recording's name is ASCII, so its bytes are its letters and sort
    // as QDir::Name sorts them. take() follows wanted() for the same name.
    bool recording = false, other = false;
    ForEachFileIn(
        folder,
        [&](QLatin1String name) {
            recording = IsRecordingName(name);
            other = others && name.endsWith(suffix);
            return recording || other;
        },
        [&](QLatin1String name) {
            if (recording)
                names.emplace_back(name.data(), size_t(name.size()));
            if (other)
                *others << QFile::decodeName(QByteArray(name.data(), name.size()));
        });
    // Every recording name has 12 bytes: compared as two numbers, in the
    // bytes' order, the sort of tens of thousands costs a third of the
    // library comparison's.
    const auto key = [](const std::string& name) {
        std::uint64_t high = 0;
        std::uint32_t low = 0;
        std::memcpy(&high, name.data(), 8);
        std::memcpy(&low, name.data() + 8, 4);
        return std::pair(__builtin_bswap64(high), __builtin_bswap32(low));
    };
    std::sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) { return key(a) < key(b); });
    return names;
}

QStringList RecordingFilesIn(const QString& folder, Error* error) {
    QStringList out;
    for (const std::string& name : RecordingFileNamesIn(folder, error))
        out << QString::fromLatin1(name.data(), qsizetype(name.size()));
    return out;
}

bool CopyFileSafely(const QString& from, const QString& to, const std::function<void()>& tick, Error* error,
                    DurableFile::FolderSync folderSync) {
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly)) {
        if (error)
            *error = FileError(in.exists() ? err::kPathFileAccess : err::kFileNotFound, from, in.errorString());
        return false;
    }
    // Written beside the target under a name that is no recording name, and
    // renamed over the target only when complete and on the medium: a failed
    // or interrupted copy never leaves a truncated recording under a
    // recording's name.
    DurableFile out(to);
    if (!out.Open()) {
        if (error)
            *error = FileError(err::kPermissionDenied, to, out.ErrorString());
        return false;
    }
    const auto fail = [&](int number, const QString& path, const QString& reason) {
        out.Discard();
        if (error)
            *error = FileError(number, path, reason);
        return false;
    };
    constexpr qint64 kBlock = 256 * 1024;
    QByteArray buffer(kBlock, Qt::Uninitialized);
    for (;;) {
        const qint64 got = in.read(buffer.data(), kBlock);
        if (got < 0)
            return fail(err::kPathFileAccess, from, in.errorString());
        if (got == 0)
            break;
        if (!out.Write(QByteArrayView(buffer.constData(), got)))
            return fail(err::kDiskFull, to, out.ErrorString());
        if (tick)
            tick();
    }
    out.SetModificationTime(QFileInfo(in).lastModified());
    if (!out.Commit(folderSync)) {
        const bool renamed = out.ErrorCode() == QFileDevice::RenameError;
        return fail(renamed ? err::kPermissionDenied : err::kDiskFull, to, out.ErrorString());
    }
    return true;
}

CopyResult CopyRecordings(const QString& source, const QString& destination, const CopyHooks& hooks) {
    CopyResult result;
    RepaintPacer pacer(hooks.repaint);
    const QStringList names = RecordingFilesIn(source, &result.listError);
    const std::function<void()> tick = [&pacer] { pacer.Tick(); };
    for (const QString& name : names) {
        Error error;
        if (CopyFileSafely(JoinPath(source, name), JoinPath(destination, name), tick, &error,
                           DurableFile::FolderSync::Later)) {
            ++result.copied;
            if (hooks.copiedFile)
                hooks.copiedFile(result.copied, name);
        } else {
            result.failed << name;
            if (hooks.failedFile)
                hooks.failedFile(name, error);
        }
        pacer.Tick();
    }
    // The new names go to the medium once for the whole copy, not once per
    // file; each file's content is there already.
    if (result.copied > 0)
        SyncFolder(destination);
    return result;
}

}  // namespace qlm
