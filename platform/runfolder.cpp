#include "platform/runfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <filesystem>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/appfolder.h"

namespace qlm {
namespace {

constexpr int kCreateAttempts = 20;

// Removes a tree without following links; errors are ignored.
void RemoveTree(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

// The folder this process holds. The lock lives on an open descriptor of the
// folder, which the system closes when the process ends.
struct HeldFolder {
    QString work;
    QString folder;
    std::string native;
    int fd = -1;

    void Drop(bool remove) {
        if (fd < 0)
            return;
        if (remove)
            RemoveTree(native);
        ::close(fd);
        fd = -1;
        work.clear();
        folder.clear();
        native.clear();
    }
    // The folder outlives the process, however it ends, until the next run
    // or a catalogue's open tidies the work folder: what a run left there
    // can still be looked at, as the shared folder always allowed.
    ~HeldFolder() { Drop(false); }
};

HeldFolder& Held() {
    static HeldFolder held;
    return held;
}

int OpenFolder(const QByteArray& native) {
    return ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

bool SameInode(int fd, const QByteArray& native) {
    struct stat opened {};
    struct stat named {};
    return ::fstat(fd, &opened) == 0 && ::lstat(native.constData(), &named) == 0 && opened.st_dev == named.st_dev &&
           opened.st_ino == named.st_ino;
}

// Creates the missing folders of the path owner-only, and makes the last one
// private when it is ours (it holds decoded calls, in a portable folder too).
void MakeWorkFolder(const QString& work) {
    const QStringList parts = QDir::cleanPath(work).split(u'/', Qt::SkipEmptyParts);
    QString at;
    for (const QString& part : parts) {
        at += u'/' + part;
        ::mkdir(QFile::encodeName(at).constData(), 0700);
    }
    const QByteArray native = QFile::encodeName(work);
    struct stat info {};
    if (::lstat(native.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() &&
        (info.st_mode & 0777) != 0700)
        ::chmod(native.constData(), 0700);
}

// A fresh folder, locked before anyone else can take it for an abandoned
// one: a tidy that got there first has removed it, which the inode check
// sees, and the next attempt makes another.
bool MakeHeldFolder(const QString& work, HeldFolder* held) {
    MakeWorkFolder(work);
    const QByteArray pattern = QFile::encodeName(JoinPath(work, QString::fromLatin1(kRunFolderPrefix) + u"XXXXXX"));
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        QByteArray name = pattern;
        if (::mkdtemp(name.data()) == nullptr)
            return false;
        const int fd = OpenFolder(name);
        if (fd < 0)
            continue;
        // A file system without locks on folders still gets a folder of the
        // run's own; the tidy then never finds it free and leaves it alone.
        const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        if ((!locked && errno == EWOULDBLOCK) || !SameInode(fd, name)) {
            ::close(fd);
            continue;
        }
        held->work = QDir::cleanPath(work);
        held->folder = QFile::decodeName(name);
        held->native = name.toStdString();
        held->fd = fd;
        return true;
    }
    return false;
}

// Removes the entries directly in a folder that are not folders.
void RemoveFilesIn(const QByteArray& folder) {
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return;
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        struct stat info {};
        if (::fstatat(dirFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISDIR(info.st_mode))
            ::unlinkat(dirFd, entry->d_name, 0);
    }
    ::closedir(dir);
}

// Removes a run folder when no process holds it; the lock is kept while it
// goes, so no new run can take it meanwhile.
void RemoveIfAbandoned(const QByteArray& native) {
    const int fd = OpenFolder(native);
    if (fd < 0)
        return;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && SameInode(fd, native))
        RemoveTree(native.toStdString());
    ::close(fd);
}

}  // namespace

QString RunFolderIn(const QString& workFolder) {
    HeldFolder& held = Held();
    const QString work = QDir::cleanPath(workFolder);
    if (held.fd >= 0 && held.work == work && SameInode(held.fd, QFile::encodeName(held.folder)))
        return held.folder;
    // Another work folder, or ours was removed from under us.
    held.Drop(true);
    if (work.isEmpty() || !MakeHeldFolder(work, &held))
        return QString();
    // Headless machines may never open a catalogue: each new run tidies
    // what killed runs left behind.
    TidyWorkFolder(work, false);
    return held.folder;
}

QString OwnRunFolder() { return Held().folder; }

bool SameFolder(const QString& a, const QString& b) {
    if (a.isEmpty() || b.isEmpty())
        return false;
    if (QDir::cleanPath(a) == QDir::cleanPath(b))
        return true;
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

bool IsRunFolderOf(const QString& folder, const QString& workFolder) {
    const QFileInfo info(QDir::cleanPath(folder));
    return info.fileName().startsWith(QLatin1StringView(kRunFolderPrefix)) && SameFolder(info.path(), workFolder);
}

bool IsHeldRunFolder(const QString& folder) {
    if (!QFileInfo(QDir::cleanPath(folder)).fileName().startsWith(QLatin1StringView(kRunFolderPrefix)))
        return false;
    if (SameFolder(folder, Held().folder))
        return true;
    const QByteArray native = QFile::encodeName(folder);
    const int fd = OpenFolder(native);
    if (fd < 0)
        return false;
    const bool free = ::flock(fd, LOCK_SH | LOCK_NB) == 0;
    const bool busy = !free && errno == EWOULDBLOCK;
    const bool untestable = !free && !busy;
    ::close(fd);
    return busy || untestable;
}

void TidyWorkFolder(const QString& workFolder, bool emptyOwn) {
    const QByteArray work = QFile::encodeName(QDir::cleanPath(workFolder));
    DIR* dir = ::opendir(work.constData());
    if (!dir)
        return;
    const int dirFd = ::dirfd(dir);
    const QString own = Held().folder;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        struct stat info {};
        if (::fstatat(dirFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        const QByteArray path = work + '/' + name;
        if (!S_ISDIR(info.st_mode)) {
            ::unlinkat(dirFd, entry->d_name, 0);
        } else if (name.startsWith(kRunFolderPrefix)) {
            if (!own.isEmpty() && QFile::decodeName(path) == own) {
                if (emptyOwn)
                    RemoveFilesIn(path);
            } else {
                RemoveIfAbandoned(path);
            }
        }
    }
    ::closedir(dir);
}

void ReleaseRunFolder() { Held().Drop(true); }

void KeepToOwner(const QString& path) {
    const QString own = Held().folder;
    if (own.isEmpty() || !SameFolder(QFileInfo(path).path(), own))
        return;
    const QByteArray native = QFile::encodeName(path);
    struct stat info {};
    if (::lstat(native.constData(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & 0777) != 0600)
        ::chmod(native.constData(), 0600);
}

}  // namespace qlm
