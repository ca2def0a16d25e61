#include "platform/winmsg_protocol.h"

#include <QCborValue>
#include <QFile>
#include <QtEndian>

#include <cerrno>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/appfolder.h"

namespace qlm::winmsg {

QByteArray EncodeFrame(const QCborMap& message) {
    const QByteArray body = message.toCborValue().toCbor();
    QByteArray frame(4, '\0');
    qToBigEndian(static_cast<quint32>(body.size()), frame.data());
    return frame + body;
}

FrameResult TakeFrame(QByteArray& buffer, QCborMap* message) {
    if (buffer.size() < 4)
        return FrameResult::Incomplete;
    const quint32 length = qFromBigEndian<quint32>(buffer.constData());
    if (length > kMaxFrameBytes)
        return FrameResult::Damaged;
    if (buffer.size() < 4 + static_cast<qsizetype>(length))
        return FrameResult::Incomplete;
    QCborParserError error;
    const QCborValue value = QCborValue::fromCbor(buffer.mid(4, length), &error);
    buffer.remove(0, 4 + length);
    if (error.error != QCborError::NoError || !value.isMap())
        return FrameResult::Damaged;
    *message = value.toMap();
    return FrameResult::Complete;
}

QString SocketPath(const QString& folder, qint64 processId) {
    return JoinPath(folder, QString::number(processId) + u".sock");
}

QString ListPath(const QString& folder, qint64 processId) {
    return JoinPath(folder, QString::number(processId) + u".windows");
}

qint64 ProcessOfFileName(const QString& fileName) {
    const qsizetype dot = fileName.indexOf(u'.');
    const QStringView suffix = QStringView(fileName).mid(dot + 1);
    if (dot <= 0 || (suffix != u"sock" && suffix != u"windows"))
        return 0;
    bool ok = false;
    const qint64 pid = QStringView(fileName).left(dot).toLongLong(&ok);
    return ok && pid > 0 ? pid : 0;
}

bool ProcessAlive(qint64 processId) {
    if (processId <= 0)
        return false;
    if (::kill(static_cast<pid_t>(processId), 0) != 0 && errno != EPERM)
        return false;
    // An ended program that nobody has reaped yet still answers kill().
    QFile stat(QStringLiteral("/proc/%1/stat").arg(processId));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.read(512);
    const qsizetype close = line.lastIndexOf(')');
    const char state = close >= 0 && close + 2 < line.size() ? line.at(close + 2) : 'R';
    return state != 'Z' && state != 'X';
}

bool PeerIsSameUser(qintptr socketDescriptor) {
    struct ucred credentials {};
    socklen_t size = sizeof credentials;
    if (::getsockopt(static_cast<int>(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0)
        return false;
    return credentials.uid == ::geteuid();
}

}  // namespace qlm::winmsg
