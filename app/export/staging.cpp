#include "app/export/staging.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include <QFile>
#include <QFileInfo>

#include "platform/appfolder.h"
#include "platform/durablefile.h"

namespace qlm {
namespace {

constexpr char kStagingPrefix[] = ".qlm-export-";
// Files set aside from the folder wait here; export names always carry an
// extension, so no staged file is ever called that.
constexpr char kReplaced[] = "replaced";
constexpr char kJournal[] = "-journal";

// The six characters that mkstemp and mkdtemp put for "XXXXXX".
bool IsRandomPart(const QByteArray& text) {
    if (text.size() != 6)
        return false;
    for (const char c : text)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    return true;
}

// A folder by its descriptor, never through a link.
int OpenFolderAt(int at, const char* name) {
    return ::openat(at, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// The names in a folder as bytes: they need not be valid in any encoding.
QList<QByteArray> Names(int folder) {
    QList<QByteArray> names;
    const int copy = ::dup(folder);  // closedir() closes it
    DIR* dir = copy >= 0 ? ::fdopendir(copy) : nullptr;
    if (!dir) {
        if (copy >= 0)
            ::close(copy);
        return names;
    }
    ::rewinddir(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names << name;
    }
    ::closedir(dir);
    return names;
}

// Whether the entry is of this type (not followed through a link) and ours.
bool IsOwn(int folder, const QByteArray& name, mode_t type, struct stat* info = nullptr) {
    struct stat s {};
    if (::fstatat(folder, name.constData(), &s, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    if (info)
        *info = s;
    return (s.st_mode & S_IFMT) == type && s.st_uid == ::geteuid();
}

// A rename that never replaces what is at the target; EEXIST when taken.
int RenameNoReplace(int fromFolder, const QByteArray& from, int toFolder, const QByteArray& to) {
    if (::renameat2(fromFolder, from.constData(), toFolder, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system without the flag: look, then rename.
    struct stat s {};
    if (::fstatat(toFolder, to.constData(), &s, AT_SYMLINK_NOFOLLOW) == 0)
        return EEXIST;
    return ::renameat(fromFolder, from.constData(), toFolder, to.constData()) == 0 ? 0 : errno;
}

// Empties and removes one staging folder. A file set aside from the folder
// goes back when its name is free there (a run killed between setting it
// aside and placing its successor) and goes when its successor is in
// place; one that cannot go back keeps the staging folder for a later try.
bool CleanStaging(int folder, const QByteArray& name) {
    const Fd staging(OpenFolderAt(folder, name.constData()));
    if (staging.get() < 0)
        return false;
    if (IsOwn(staging.get(), kReplaced, S_IFDIR)) {
        const Fd replaced(OpenFolderAt(staging.get(), kReplaced));
        for (const QByteArray& file : Names(replaced.get())) {
            if (!IsOwn(replaced.get(), file, S_IFREG) && !IsOwn(replaced.get(), file, S_IFLNK))
                continue;
            const int failed = RenameNoReplace(replaced.get(), file, folder, file);
            if (failed == EEXIST)
                ::unlinkat(replaced.get(), file.constData(), 0);
        }
        ::unlinkat(staging.get(), kReplaced, AT_REMOVEDIR);
    }
    for (const QByteArray& file : Names(staging.get())) {
        struct stat s {};
        if (::fstatat(staging.get(), file.constData(), &s, AT_SYMLINK_NOFOLLOW) == 0 && s.st_uid == ::geteuid() &&
            (S_ISREG(s.st_mode) || S_ISLNK(s.st_mode)))
            ::unlinkat(staging.get(), file.constData(), 0);
    }
    return ::unlinkat(folder, name.constData(), AT_REMOVEDIR) == 0;
}

QByteArray ReadHead(int folder, const QByteArray& name, int bytes) {
    const Fd fd(::openat(folder, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    QByteArray head(bytes, '\0');
    const ssize_t got = fd.get() >= 0 ? ::read(fd.get(), head.data(), static_cast<size_t>(bytes)) : -1;
    head.truncate(got > 0 ? static_cast<qsizetype>(got) : 0);
    return head;
}

Error PlaceError(const QString& path, int code) {
    const int number = code == ENOSPC || code == EDQUOT ? err::kDiskFull : err::kPermissionDenied;
    return FileError(number, path, QString::fromLocal8Bit(std::strerror(code)));
}

}  // namespace

FolderRunGuard::FolderRunGuard(const QString& folder, const std::function<void()>& sweep) {
    fd_ = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0)
        return;
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
        if (sweep)
            sweep();
        if (::flock(fd_, LOCK_SH | LOCK_NB) == 0)
            return;
    }
    // Another run sweeping holds it for a moment only.
    for (int i = 0; i < 50; ++i) {
        if (::flock(fd_, LOCK_SH | LOCK_NB) == 0)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::close(fd_);
    fd_ = -1;
}

FolderRunGuard::~FolderRunGuard() {
    if (fd_ >= 0)
        ::close(fd_);
}

ExportStaging::ExportStaging(const QString& folder)
    : guard_(folder, [folder] { SweepExportLeftovers(folder); }), folder_(folder) {
    QByteArray name = QFile::encodeName(JoinPath(folder, QLatin1String(kStagingPrefix))) + "XXXXXX";
    if (::mkdtemp(name.data()))
        path_ = QFile::decodeName(name);
    else
        why_ = QString::fromLocal8Bit(std::strerror(errno));
}

ExportStaging::~ExportStaging() {
    if (path_.isEmpty())
        return;
    const Fd folder(::open(QFile::encodeName(folder_).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0)
        CleanStaging(folder.get(), QFile::encodeName(QFileInfo(path_).fileName()));
}

QString ExportStaging::FilePath(const QString& name) const { return JoinPath(path_, name); }

bool ExportStaging::Place(const QStringList& names, Error* error) {
    const auto fail = [error](const Error& failed) {
        if (error)
            *error = failed;
        return false;
    };
    const Fd folder(::open(QFile::encodeName(folder_).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const Fd staging(
        folder.get() >= 0 ? ::open(QFile::encodeName(path_).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1);
    if (staging.get() < 0 || (::mkdirat(staging.get(), kReplaced, 0700) != 0 && errno != EEXIST))
        return fail(PlaceError(folder_, errno));
    const Fd replaced(OpenFolderAt(staging.get(), kReplaced));
    if (replaced.get() < 0)
        return fail(PlaceError(folder_, errno));

    QList<QByteArray> aside, placed;
    // All or nothing: what went in goes again, what was there comes back.
    const auto undo = [&](const Error& failed) {
        for (const QByteArray& name : std::as_const(placed))
            ::unlinkat(folder.get(), name.constData(), 0);
        for (const QByteArray& name : std::as_const(aside))
            RenameNoReplace(replaced.get(), name, folder.get(), name);
        SyncFolder(folder_);
        return fail(failed);
    };
    for (const QString& text : names) {
        const QByteArray name = QFile::encodeName(text);
        const QString target = JoinPath(folder_, text);
        struct stat s {};
        if (::fstatat(folder.get(), name.constData(), &s, AT_SYMLINK_NOFOLLOW) == 0) {
            // An earlier export's file is kept until the new one is in
            // place (a link is moved as the link, as a rename over it would
            // replace it); a folder or a device under the name is not ours
            // to replace.
            if (!S_ISREG(s.st_mode) && !S_ISLNK(s.st_mode))
                return undo(FileError(err::kPathFileAccess, target, QStringLiteral("not a file")));
            if (::renameat(folder.get(), name.constData(), replaced.get(), name.constData()) != 0)
                return undo(PlaceError(target, errno));
            aside << name;
        } else if (errno != ENOENT) {
            return undo(PlaceError(target, errno));
        }
        if (const int failed = RenameNoReplace(staging.get(), name, folder.get(), name); failed != 0)
            return undo(PlaceError(target, failed));
        placed << name;
    }
    SyncFolder(folder_);
    return true;
}

int SweepExportLeftovers(const QString& folder) {
    const Fd fd(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() < 0)
        return 0;
    const QByteArray prefix(kStagingPrefix);
    int removed = 0;
    for (const QByteArray& name : Names(fd.get()))
        if (name.startsWith(prefix) && IsRandomPart(name.mid(prefix.size())) && IsOwn(fd.get(), name, S_IFDIR) &&
            CleanStaging(fd.get(), name))
            ++removed;
    return removed;
}

int SweepBackupLeftovers(const QString& destination) {
    const QFileInfo target(destination);
    const Fd fd(::open(QFile::encodeName(target.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() < 0 || target.fileName().isEmpty())
        return 0;
    const QByteArray stem = QFile::encodeName(target.fileName()) + '.';
    int removed = 0;
    for (const QByteArray& name : Names(fd.get())) {
        if (!name.startsWith(stem))
            continue;
        QByteArray part = name.mid(stem.size());
        const bool journal = part.endsWith(kJournal);
        if (journal)
            part.chop(static_cast<qsizetype>(std::strlen(kJournal)));
        struct stat s {};
        if (!IsRandomPart(part) || !IsOwn(fd.get(), name, S_IFREG, &s))
            continue;
        // Only what the engine writes: a catalogue, its rollback journal
        // (which may still hold zeros for its header), or nothing yet.
        const QByteArray head = ReadHead(fd.get(), name, 16);
        const bool ours = s.st_size == 0 || (journal ? head.startsWith(QByteArray::fromHex("d9d505f920a163d7")) ||
                                                           head.left(8) == QByteArray(8, '\0')
                                                     : head == QByteArray("SQLite format 3\0", 16));
        if (ours && ::unlinkat(fd.get(), name.constData(), 0) == 0)
            ++removed;
    }
    return removed;
}

}  // namespace qlm
