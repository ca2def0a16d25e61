#include "app/card/copy.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "app/card/imports.h"
#include "app/card/progress.h"
#include "app/card/recording.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "platform/appfolder.h"
#include "platform/filename.h"

namespace qlm {

namespace {

// Whether a folder entry is a file we may read as a recording: a regular
// file, or a link whose target is a regular file in the same folder. A FIFO,
// a device, a socket or a link out of the folder is none (it could hang a
// read, or bring in or change a file that is not the card's).
bool IsRecordingFileEntry(int dirFd, const char* folderReal, const dirent* entry) {
    if (entry->d_type == DT_REG)
        return true;
    struct stat st {};
    if (entry->d_type == DT_UNKNOWN) {
        if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            return false;
        if (S_ISREG(st.st_mode))
            return true;
        if (!S_ISLNK(st.st_mode))
            return false;
    } else if (entry->d_type != DT_LNK) {
        return false;
    }
    if (::fstatat(dirFd, entry->d_name, &st, 0) != 0 || !S_ISREG(st.st_mode) || !folderReal)
        return false;
    const QByteArray link = QByteArray(folderReal) + '/' + entry->d_name;
    char* target = ::realpath(link.constData(), nullptr);
    if (!target)
        return false;
    const char* slash = std::strrchr(target, '/');
    const bool inside = slash && size_t(slash - target) == std::strlen(folderReal) &&
                        std::strncmp(target, folderReal, size_t(slash - target)) == 0;
    std::free(target);
    return inside;
}

// Read straight from the directory: QDir makes and sorts a file information
// record per entry, which on a card of 30,000 recordings cost more than
// reading all their headers. take(name) gets the entries that are
// recording files by IsRecordingFileEntry, as the file system spells them;
// wanted(name) is asked first, so that only the names wanted cost a
// conversion or a look at the entry. Wanted entries that are neither such
// files nor folders are counted in notRegular. False when the folder cannot
// be read.
template <typename Wanted, typename Take>
bool ForEachFileIn(const QString& folder, const Wanted& wanted, const Take& take, int* notRegular = nullptr) {
    const QByteArray local = EncodeName(folder);
    DIR* dir = opendir(local.constData());
    if (!dir)
        return false;
    char* folderReal = ::realpath(local.constData(), nullptr);
    while (const dirent* entry = readdir(dir)) {
        const QLatin1String name(entry->d_name, qsizetype(std::strlen(entry->d_name)));
        if (name == QLatin1String(".") || name == QLatin1String("..") || !wanted(name))
            continue;
        if (entry->d_type == DT_DIR)
            continue;
        if (IsRecordingFileEntry(dirfd(dir), folderReal, entry)) {
            take(name);
            continue;
        }
        struct stat target {};
        const bool folderLink = ::fstatat(dirfd(dir), entry->d_name, &target, 0) == 0 && S_ISDIR(target.st_mode);
        if (!folderLink && notRegular)
            ++*notRegular;
    }
    std::free(folderReal);
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
        [&](QLatin1String name) { names << DecodeName(QByteArray(name.data(), name.size())); });
    return names;
}

std::vector<std::string> RecordingFileNamesIn(const QString& folder, Error* error, QStringList* others,
                                              QLatin1String suffix, int* notRegular) {
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
                *others << DecodeName(QByteArray(name.data(), name.size()));
        },
        notRegular);
    // Every recording name starts with its 12-byte time stamp: compared as
    // two numbers, in the bytes' order, the sort of tens of thousands costs a
    // third of the library comparison's. A variant of a taken name (stamp,
    // dash, hash) follows the plain name.
    const auto key = [](const std::string& name) {
        std::uint64_t high = 0;
        std::uint32_t low = 0;
        std::memcpy(&high, name.data(), 8);
        std::memcpy(&low, name.data() + 8, 4);
        return std::pair(__builtin_bswap64(high), __builtin_bswap32(low));
    };
    std::sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
        const auto ka = key(a), kb = key(b);
        return ka != kb ? ka < kb : a < b;
    });
    return names;
}

QStringList RecordingFilesIn(const QString& folder, Error* error, int* notRegular) {
    QStringList out;
    for (const std::string& name : RecordingFileNamesIn(folder, error, nullptr, QLatin1String(), notRegular))
        out << QString::fromLatin1(name.data(), qsizetype(name.size()));
    return out;
}

namespace {

// An open source file, read without blocking: a FIFO or device under a
// recording's name is refused, never waited on.
class SourceFile {
public:
    explicit SourceFile(const QString& path) : path_(path) {
        fd_ = ::open(EncodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd_ >= 0 && (::fstat(fd_, &st_) != 0 || !S_ISREG(st_.st_mode))) {
            ::close(fd_);
            fd_ = -1;
            errno = ENODEV;
        }
        failure_ = fd_ < 0 ? errno : 0;
    }
    ~SourceFile() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    Error OpenError() const {
        return FileError(failure_ == ENOENT ? err::kFileNotFound : err::kPathFileAccess, path_,
                         failure_ == ENODEV ? QStringLiteral("not a regular file") : qt_error_string(failure_));
    }
    // Bytes read, 0 at the end, -1 on a read error (errno kept).
    qint64 Read(char* into, qint64 most) {
        for (;;) {
            const ssize_t got = ::read(fd_, into, size_t(most));
            if (got >= 0 || errno != EINTR)
                return got;
        }
    }
    QDateTime Modified() const {
        return QDateTime::fromMSecsSinceEpoch(qint64(st_.st_mtim.tv_sec) * 1000 + st_.st_mtim.tv_nsec / 1000000);
    }

private:
    QString path_;
    int fd_ = -1;
    int failure_ = 0;
    struct stat st_ {};
};

}  // namespace

bool CopyFileSafely(const QString& from, const QString& to, const std::function<void()>& tick, Error* error,
                    DurableFile::FolderSync folderSync, DurableFile::Replace replace, QByteArray* sha256,
                    qint64* size) {
    SourceFile in(from);
    if (!in.IsOpen()) {
        if (error)
            *error = in.OpenError();
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
    // The checksum from the very bytes read off the card: what the library
    // holds can later be proven to be what the card gave.
    QCryptographicHash hash(QCryptographicHash::Sha256);
    qint64 total = 0;
    constexpr qint64 kBlock = 256 * 1024;
    QByteArray buffer(kBlock, Qt::Uninitialized);
    for (;;) {
        const qint64 got = in.Read(buffer.data(), kBlock);
        if (got < 0)
            return fail(err::kPathFileAccess, from, qt_error_string(errno));
        if (got == 0)
            break;
        if (sha256)
            hash.addData(QByteArrayView(buffer.constData(), got));
        total += got;
        if (!out.Write(QByteArrayView(buffer.constData(), got)))
            return fail(err::kDiskFull, to, out.ErrorString());
        if (tick)
            tick();
    }
    out.SetModificationTime(in.Modified());
    if (!out.Commit(folderSync, replace)) {
        const bool renamed = out.ErrorCode() == QFileDevice::RenameError;
        return fail(
            renamed ? (out.ErrorNumber() == EEXIST ? err::kFileAlreadyExists : err::kPermissionDenied) : err::kDiskFull,
            to, out.ErrorString());
    }
    if (sha256)
        *sha256 = hash.result().toHex();
    if (size)
        *size = total;
    return true;
}

namespace {

// The recordings already in a library folder, by the case-folded time stamp
// of their names (a recording and its variants share one), with their
// checksums read when first needed.
class LibraryRecordings {
public:
    explicit LibraryRecordings(const QString& folder) : folder_(folder) {
        Error ignored;
        for (const std::string& bytes : RecordingFileNamesIn(folder, &ignored)) {
            const QString name = QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
            byStamp_[name.left(12).toCaseFolded()] << name;
        }
    }
    bool Holds(const QString& name) const { return byStamp_.contains(name.left(12).toCaseFolded()); }
    // The library's recording of these bytes among those of the name's time
    // stamp; "" when none.
    QString Same(const QString& name, qint64 size, const QByteArray& sha256) {
        for (const QString& held : byStamp_.value(name.left(12).toCaseFolded())) {
            const QString path = JoinPath(folder_, held);
            if (QFileInfo(path).size() != size)
                continue;
            auto known = sums_.find(held);
            if (known == sums_.end())
                known = sums_.insert(held, FileSha256(path, nullptr));
            if (*known == sha256)
                return held;
        }
        return QString();
    }
    void Add(const QString& name, const QByteArray& sha256) {
        byStamp_[name.left(12).toCaseFolded()] << name;
        sums_.insert(name, sha256);
    }

private:
    QString folder_;
    QHash<QString, QStringList> byStamp_;
    QHash<QString, QByteArray> sums_;
};

}  // namespace

CopyResult CopyRecordings(const QString& source, const QString& destination, const CopyHooks& hooks) {
    CopyResult result;
    RepaintPacer pacer(hooks.repaint);
    const QStringList names = RecordingFilesIn(source, &result.listError, &result.notRegular);
    const std::function<void()> tick = [&pacer] { pacer.Tick(); };
    LibraryRecordings library(destination);
    const QString importTime = ImportTimeNow();
    for (const QString& name : names) {
        const QString from = JoinPath(source, name);
        Error error;
        ImportedFile stored;
        stored.name = name;
        stored.imported = importTime;
        // A name the library holds already: the same bytes are not copied
        // again, and other bytes never replace what is there; they are kept
        // beside it under a name of their own.
        bool copied = false;
        if (!library.Holds(name)) {
            copied = CopyFileSafely(from, JoinPath(destination, name), tick, &error, DurableFile::FolderSync::Later,
                                    DurableFile::Replace::No, &stored.sha256, &stored.size);
            if (!copied && error.number != err::kFileAlreadyExists) {
                result.failed << name;
                if (hooks.failedFile)
                    hooks.failedFile(name, error);
                pacer.Tick();
                continue;
            }
        }
        if (!copied) {
            // Another process may have stored the name since the listing.
            error = Error{};
            qint64 size = 0;
            const QByteArray sha256 = FileSha256(from, &error, &size);
            const QString same = sha256.isEmpty() ? QString() : library.Same(name, size, sha256);
            if (!same.isEmpty()) {
                ++result.alreadyThere;
                pacer.Tick();
                continue;
            }
            if (!sha256.isEmpty()) {
                stored.name =
                    QFileInfo::exists(JoinPath(destination, name)) ? VariantRecordingName(name, sha256) : name;
                copied = CopyFileSafely(from, JoinPath(destination, stored.name), tick, &error,
                                        DurableFile::FolderSync::Later, DurableFile::Replace::No, &stored.sha256,
                                        &stored.size);
                // The card's file changed between the two reads: not a copy
                // of what was checked.
                if (copied && stored.sha256 != sha256) {
                    QFile::remove(JoinPath(destination, stored.name));
                    copied = false;
                    error = FileError(err::kPathFileAccess, from, QStringLiteral("the file changed while it was read"));
                }
            }
            if (!copied) {
                result.failed << name;
                if (hooks.failedFile)
                    hooks.failedFile(name, error);
                pacer.Tick();
                continue;
            }
            if (stored.name != name)
                result.storedBeside << stored.name;
        }
        library.Add(stored.name, stored.sha256);
        result.imported << stored;
        ++result.copied;
        if (hooks.copiedFile)
            hooks.copiedFile(result.copied, stored.name);
        pacer.Tick();
    }
    // The new names go to the medium once for the whole copy, not once per
    // file; each file's content is there already. The checksums follow.
    if (result.copied > 0) {
        SyncFolder(destination);
        AppendImports(destination, result.imported, &result.ledgerError);
    }
    return result;
}

QStringList CopyNoticeLines(const CopyResult& result) {
    QStringList lines;
    if (result.alreadyThere > 0)
        lines << LibStr(str::CopyAlreadyThere, QStringLiteral("%1 recordings were in the library already."))
                     .arg(result.alreadyThere);
    if (!result.storedBeside.isEmpty())
        lines << LibStr(str::CopyStoredBeside,
                        QStringLiteral("%1 recordings were stored beside others of the same name:"))
                         .arg(result.storedBeside.size()) +
                     u' ' + result.storedBeside.join(QStringLiteral(", "));
    if (result.notRegular > 0)
        lines << LibStr(str::CopyNotRegular, QStringLiteral("%1 entries are no regular files.")).arg(result.notRegular);
    if (result.ledgerError.IsSet())
        lines << LibStr(str::ChecksumsNotKept, QStringLiteral("The checksums could not be kept:")) + u' ' +
                     result.ledgerError.BoxText();
    return lines;
}

}  // namespace qlm
