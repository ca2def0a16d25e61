#include "platform/durablefile.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <QFileInfo>

#include "platform/filename.h"

namespace qlm {
namespace {

// Bytes gathered before they go to the file: a decode writes 320 at a time.
constexpr qsizetype kBufferSize = 1 << 16;

// The mode a new file gets from the process's file-creation mask.
mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

DurableFile::DurableFile(const QString& path) : path_(path) {}

DurableFile::~DurableFile() { Discard(); }

bool DurableFile::Fail(int code) {
    return Fail(code == ENOSPC || code == EDQUOT ? QFileDevice::ResourceError : QFileDevice::WriteError, code);
}

bool DurableFile::Fail(QFileDevice::FileError error, int code) {
    if (error_ == QFileDevice::NoError) {
        error_ = error;
        errno_ = code;
        errorString_ = QString::fromLocal8Bit(std::strerror(code));
    }
    return false;
}

bool DurableFile::Open() {
    if (fd_ >= 0 || committed_)
        return false;
    if (path_.isEmpty())
        return Fail(QFileDevice::OpenError, ENOENT);
    QByteArray name = EncodeName(path_) + ".XXXXXX";
    fd_ = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd_ < 0) {
        const int code = errno;
        return Fail(code == ENOSPC || code == EDQUOT ? QFileDevice::ResourceError : QFileDevice::OpenError, code);
    }
    temporary_ = name;
    // mkostemp makes the file owner-only; a replaced file keeps its mode, a
    // new one gets the usual.
    struct stat old {};
    const mode_t mode = ::stat(EncodeName(path_).constData(), &old) == 0 ? (old.st_mode & 07777) : NewFileMode();
    ::fchmod(fd_, mode);
    return true;
}

bool DurableFile::WriteOut(const char* data, qsizetype size) {
    if (size > 0)
        synced_ = false;
    while (size > 0) {
        const ssize_t n = ::write(fd_, data, static_cast<size_t>(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Fail(n < 0 ? errno : ENOSPC);
        data += n;
        size -= n;
    }
    return true;
}

bool DurableFile::Flush() {
    const bool written = WriteOut(buffer_.constData(), buffer_.size());
    buffer_.clear();
    return written;
}

bool DurableFile::Write(QByteArrayView bytes) {
    if (fd_ < 0 || error_ != QFileDevice::NoError)
        return false;
    // A large block (a file being copied) goes straight to the file.
    if (buffer_.isEmpty() && bytes.size() >= kBufferSize)
        return WriteOut(bytes.data(), bytes.size());
    buffer_.append(bytes.data(), bytes.size());
    return buffer_.size() < kBufferSize || Flush();
}

bool DurableFile::Seek(qint64 position) {
    if (fd_ < 0 || error_ != QFileDevice::NoError || !Flush())
        return false;
    if (::lseek(fd_, static_cast<off_t>(position), SEEK_SET) < 0)
        return Fail(errno);
    return true;
}

bool DurableFile::SetPermissions(QFileDevice::Permissions permissions) {
    if (fd_ < 0 || error_ != QFileDevice::NoError)
        return false;
    mode_t mode = 0;
    const std::pair<QFileDevice::Permission, mode_t> bits[] = {
        {QFileDevice::ReadOwner, S_IRUSR}, {QFileDevice::WriteOwner, S_IWUSR}, {QFileDevice::ExeOwner, S_IXUSR},
        {QFileDevice::ReadGroup, S_IRGRP}, {QFileDevice::WriteGroup, S_IWGRP}, {QFileDevice::ExeGroup, S_IXGRP},
        {QFileDevice::ReadOther, S_IROTH}, {QFileDevice::WriteOther, S_IWOTH}, {QFileDevice::ExeOther, S_IXOTH}};
    for (const auto& [permission, bit] : bits)
        if (permissions.testFlag(permission))
            mode |= bit;
    if (::fchmod(fd_, mode) != 0)
        return Fail(errno);
    synced_ = false;
    return true;
}

bool DurableFile::Sync() {
    if (fd_ < 0 || error_ != QFileDevice::NoError || !Flush())
        return false;
    if (synced_)
        return true;
    if (modified_.isValid()) {
        // A file system that does not keep the time still gets the content.
        const qint64 ms = modified_.toMSecsSinceEpoch();
        const qint64 seconds = ms / 1000 - (ms % 1000 < 0 ? 1 : 0);
        const qint64 nanoseconds = (ms - seconds * 1000) * 1000000;
        const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(seconds), static_cast<long>(nanoseconds)}};
        ::futimens(fd_, times);
    }
    if (::fsync(fd_) != 0)
        return Fail(errno);
    synced_ = true;
    return true;
}

namespace {

// rename() that never replaces: a file that appeared at the target since the
// caller looked stays. File systems without RENAME_NOREPLACE (some FUSE ones)
// get a hard link and an unlink, and those without links (FAT) a look first.
int RenameNoReplace(const char* from, const char* to) {
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
    if (::link(from, to) == 0)
        return ::unlink(from);
    if (errno == EEXIST)
        return -1;
    struct stat st {};
    if (::lstat(to, &st) == 0) {
        errno = EEXIST;
        return -1;
    }
    return ::rename(from, to);
}

}  // namespace

bool DurableFile::Commit(FolderSync folderSync, Replace replace) {
    if (!Sync()) {
        Discard();
        return false;
    }
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0) {
        Fail(errno);
    } else if ((replace == Replace::Yes
                    ? ::rename(temporary_.constData(), EncodeName(path_).constData())
                    : RenameNoReplace(temporary_.constData(), EncodeName(path_).constData())) != 0) {
        Fail(QFileDevice::RenameError, errno);
    } else {
        committed_ = true;
        if (folderSync == FolderSync::Now)
            SyncFolder(QFileInfo(AbsoluteName(path_)).absolutePath());
        return true;
    }
    ::unlink(temporary_.constData());
    return false;
}

void DurableFile::Discard() {
    if (fd_ < 0)
        return;
    ::close(fd_);
    fd_ = -1;
    ::unlink(temporary_.constData());
    buffer_.clear();
}

void SyncFolder(const QString& folder) {
    const int fd = ::open(EncodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

void SyncPlacedFile(const QString& path) {
    const int fd = ::open(EncodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    SyncFolder(QFileInfo(AbsoluteName(path)).absolutePath());
}

bool WriteFileDurably(const QString& path, QByteArrayView bytes, QString* errorText) {
    DurableFile file(path);
    if (file.Open() && file.Write(bytes) && file.Commit())
        return true;
    if (errorText)
        *errorText = file.ErrorString();
    return false;
}

}  // namespace qlm
