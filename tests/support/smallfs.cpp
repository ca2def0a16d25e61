#include "tests/support/smallfs.h"

#include <sys/mount.h>

#include <cerrno>
#include <cstring>

#include <QFile>

namespace qlm::test {

SmallFs::SmallFs(qint64 bytes) : bytes_(bytes) {
    const QByteArray target = QFile::encodeName(dir_.path());
    const QByteArray options = "size=" + QByteArray::number(bytes_) + ",mode=0700";
    if (::mount("qlmtest", target.constData(), "tmpfs", MS_NOSUID | MS_NODEV, options.constData()) == 0)
        mounted_ = true;
    else
        whyNot_ = QStringLiteral("cannot mount a small tmpfs here (%1); run as root or with CAP_SYS_ADMIN")
                      .arg(QString::fromLocal8Bit(std::strerror(errno)));
}

SmallFs::~SmallFs() {
    if (mounted_)
        ::umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
}

bool SmallFs::SetReadOnly(bool readOnly) {
    if (!mounted_)
        return false;
    const QByteArray options = "size=" + QByteArray::number(bytes_) + ",mode=0700";
    const unsigned long flags = MS_REMOUNT | MS_NOSUID | MS_NODEV | (readOnly ? MS_RDONLY : 0);
    return ::mount("qlmtest", QFile::encodeName(dir_.path()).constData(), "tmpfs", flags, options.constData()) == 0;
}

}  // namespace qlm::test
