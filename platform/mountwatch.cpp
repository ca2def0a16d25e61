#include "platform/mountwatch.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QSocketNotifier>

#include "platform/filename.h"

namespace qlm {
namespace {

// Mount points in the table are written with octal escapes for blanks,
// tabs, newlines and backslashes ("\040" for a space).
QString UnescapeMountPoint(const QByteArray& field) {
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3') {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                out.append(static_cast<char>(code));
                i += 3;
                continue;
            }
        }
        out.append(field[i]);
    }
    return DecodeName(out);
}

}  // namespace

MountWatcher::MountWatcher(QObject* parent, const QString& tablePath) : QObject(parent), tablePath_(tablePath) {
    points_ = ReadMountPoints();
    fd_ = ::open(EncodeName(tablePath_).constData(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        return;
    // A change of the mount table shows as an exceptional condition (POLLPRI)
    // on an open descriptor of it.
    notifier_ = new QSocketNotifier(static_cast<qintptr>(fd_), QSocketNotifier::Exception, this);
    connect(notifier_, &QSocketNotifier::activated, this, &MountWatcher::Rescan);
}

MountWatcher::~MountWatcher() {
    delete notifier_;
    if (fd_ >= 0)
        ::close(fd_);
}

QStringList MountWatcher::ReadMountPoints() const {
    QFile table(tablePath_);
    QStringList points;
    // The /proc tables report size 0: read to the end rather than by size.
    if (!table.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return points;
    const QList<QByteArray> lines = table.readAll().split('\n');
    for (const QByteArray& line : lines) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() >= 2)
            points.append(UnescapeMountPoint(fields[1]));
    }
    return points;
}

void MountWatcher::Rescan() {
    const QStringList now = ReadMountPoints();
    const QStringList before = points_;
    points_ = now;
    for (const QString& point : before)
        if (!now.contains(point))
            emit Unmounted(point);
    for (const QString& point : now)
        if (!before.contains(point))
            emit Mounted(point);
}

}  // namespace qlm
