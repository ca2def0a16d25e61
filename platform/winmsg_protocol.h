// The wire format of window messages, shared by server and client: each
// message is a 4-byte big-endian length followed by a CBOR map. Requests
// carry "op"; replies carry "ok" and the op's results.
#pragma once

#include <QByteArray>
#include <QCborMap>
#include <QString>

namespace qlm::winmsg {

inline constexpr qsizetype kMaxFrameBytes = 1 << 20;

// Field and operation names.
inline constexpr QLatin1StringView kOp("op");
inline constexpr QLatin1StringView kOk("ok");
inline constexpr QLatin1StringView kWindow("window");
inline constexpr QLatin1StringView kWindows("windows");
inline constexpr QLatin1StringView kClass("class");
inline constexpr QLatin1StringView kText("text");
inline constexpr QLatin1StringView kX("x");
inline constexpr QLatin1StringView kY("y");
inline constexpr QLatin1StringView kBottom("bottom");
inline constexpr QLatin1StringView kKeys("keys");

inline constexpr QLatin1StringView kOpList("list");
inline constexpr QLatin1StringView kOpChildren("children");
inline constexpr QLatin1StringView kOpSetText("settext");
inline constexpr QLatin1StringView kOpGetText("gettext");
inline constexpr QLatin1StringView kOpClose("close");
inline constexpr QLatin1StringView kOpMove("move");
inline constexpr QLatin1StringView kOpActivate("activate");
inline constexpr QLatin1StringView kOpKeys("keys");

QByteArray EncodeFrame(const QCborMap& message);

enum class FrameResult { Complete, Incomplete, Damaged };
// Takes the first whole message off the front of buffer.
FrameResult TakeFrame(QByteArray& buffer, QCborMap* message);

// The socket of a process in the folder, its published list of top-level
// windows (a CBOR array of maps with window, class and text), and the process
// id such a file name stands for (0 when the name is not one of ours).
QString SocketPath(const QString& folder, qint64 processId);
QString ListPath(const QString& folder, qint64 processId);
qint64 ProcessOfFileName(const QString& fileName);

// True when the process exists (also when it belongs to someone else).
bool ProcessAlive(qint64 processId);
// True when the peer of a connected Unix socket runs as this user.
bool PeerIsSameUser(qintptr socketDescriptor);

}  // namespace qlm::winmsg
