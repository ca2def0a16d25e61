#include "platform/durablefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <QFileInfo>

namespace qlm {
namespace {

// Bytes gathered before they go to the file: a decode writes 320 at a time.
constexpr qsizetype kBufferSize = 1 << 16;

// Makes the rename itself durable. The new content is complete in place
// whether or not this works, so a failure is not reported.
void SyncFolderOf(const QString& path) {
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

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
    if (error_ == QFileDevice::NoError) {
        error_ = code == ENOSPC || code == EDQUOT ? QFileDevice::ResourceError : QFileDevice::WriteError;
        errorString_ = QString::fromLocal8Bit(std::strerror(code));
    }
    return false;
}

bool DurableFile::Open() {
    if (fd_ >= 0 || committed_ || path_.isEmpty())
        return false;
    QByteArray name = QFile::encodeName(path_) + ".XXXXXX";
    fd_ = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd_ < 0) {
        if (error_ == QFileDevice::NoError) {
            error_ = errno == ENOSPC || errno == EDQUOT ? QFileDevice::ResourceError : QFileDevice::OpenError;
            errorString_ = QString::fromLocal8Bit(std::strerror(errno));
        }
        return false;
    }
    temporary_ = name;
    // mkostemp makes the file owner-only; a replaced file keeps its mode, a
    // new one gets the usual.
    struct stat old {};
    const mode_t mode = ::stat(QFile::encodeName(path_).constData(), &old) == 0 ? (old.st_mode & 07777) : NewFileMode();
    ::fchmod(fd_, mode);
    return true;
}

bool DurableFile::Flush() {
    const char* data = buffer_.constData();
    qsizetype left = buffer_.size();
    while (left > 0) {
        const ssize_t n = ::write(fd_, data, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Fail(n < 0 ? errno : ENOSPC);
        data += n;
        left -= n;
    }
    buffer_.clear();
    return true;
}

bool DurableFile::Write(QByteArrayView bytes) {
    if (fd_ < 0 || error_ != QFileDevice::NoError)
        return false;
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
    return true;
}

bool DurableFile::Commit() {
    if (fd_ < 0 || error_ != QFileDevice::NoError || !Flush()) {
        Discard();
        return false;
    }
    if (::fsync(fd_) != 0) {
        Fail(errno);
        Discard();
        return false;
    }
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0 || ::rename(temporary_.constData(), QFile::encodeName(path_).constData()) != 0) {
        Fail(errno);
        ::unlink(temporary_.constData());
        return false;
    }
    committed_ = true;
    SyncFolderOf(path_);
    return true;
}

void DurableFile::Discard() {
    if (fd_ < 0)
        return;
    ::close(fd_);
    fd_ = -1;
    ::unlink(temporary_.constData());
    buffer_.clear();
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
