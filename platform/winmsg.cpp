#include "platform/winmsg.h"

#include <QCborArray>
#include <QCborMap>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/appfolder.h"
#include "platform/filename.h"
#include "platform/winmsg_protocol.h"

namespace qlm {

using namespace winmsg;

WindowHandle WindowSystem::FindWindow(const QString& windowClass, const QString& caption) {
    const QList<WindowInfo> windows = TopLevelWindows();
    for (const WindowInfo& w : windows) {
        if (w.caption == caption && (windowClass.isEmpty() || w.windowClass == windowClass))
            return w.handle;
    }
    return 0;
}

WindowHandle WindowSystem::FindChildWindow(WindowHandle parent, const QString& windowClass, WindowHandle after) {
    const QList<WindowHandle> children = ChildWindows(parent, windowClass);
    qsizetype i = 0;
    if (after != 0) {
        i = children.indexOf(after);
        if (i < 0)
            return 0;
        ++i;
    }
    return i < children.size() ? children[i] : 0;
}

namespace {

WindowSystem* g_override = nullptr;

// Makes the folder ours and private, or says why it cannot be used.
bool MakePrivateFolder(const QString& path, QString* error) {
    const QByteArray native = EncodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
        *error = QStringLiteral("Cannot create %1: %2").arg(path, QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    struct stat info {};
    if (::lstat(native.constData(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        *error = QStringLiteral("%1 is not a folder").arg(path);
        return false;
    }
    if (info.st_uid != ::geteuid()) {
        *error = QStringLiteral("%1 belongs to another user").arg(path);
        return false;
    }
    if ((info.st_mode & 0777) != 0700 && ::chmod(native.constData(), 0700) != 0) {
        *error = QStringLiteral("Cannot make %1 private").arg(path);
        return false;
    }
    return true;
}

// The shared fallback folder, when it is safe: this user's own, private,
// and not a link. Someone else may have made it first, or made it open.
bool IsOwnPrivateFolder(const QByteArray& native) {
    struct stat info {};
    return ::lstat(native.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() &&
           (info.st_mode & 0777) == 0700;
}

QString SharedFallbackFolder() {
    const QString path = JoinPath(QDir::tempPath(), QStringLiteral("qlm-windows-%1").arg(::geteuid()));
    const QByteArray native = QFile::encodeName(path);
    ::mkdir(native.constData(), 0700);
    if (IsOwnPrivateFolder(native))
        return path;
    // A folder of this process's own, made once; the programs it starts
    // learn it from the environment. Left empty at exit, it goes.
    static struct Fresh {
        QByteArray base, folder;
        ~Fresh() {
            if (!folder.isEmpty())
                ::rmdir(folder.constData());
        }
    } fresh;
    if (fresh.base == native && !fresh.folder.isEmpty() && IsOwnPrivateFolder(fresh.folder))
        return QFile::decodeName(fresh.folder);
    QByteArray pattern = native + "-XXXXXX";
    fresh.base = native;
    fresh.folder = ::mkdtemp(pattern.data()) ? pattern : QByteArray();
    return QFile::decodeName(fresh.folder);
}

}  // namespace

WindowSystem& CurrentWindowSystem() {
    static SocketWindowSystem real;
    return g_override ? *g_override : real;
}

void SetWindowSystem(WindowSystem* system) { g_override = system; }

QString WindowMessageFolder(QString* error) {
    QString path = qEnvironmentVariable(kWindowFolderVariable);
    if (path.isEmpty()) {
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        if (runtime.isEmpty() || !QDir(runtime).exists()) {
            path = SharedFallbackFolder();
            if (path.isEmpty() && error)
                *error = QStringLiteral("Cannot create a private folder in %1: %2")
                             .arg(QDir::tempPath())
                             .arg(QString::fromLocal8Bit(strerror(errno)));
            return path;
        }
        path = JoinPath(runtime, QStringLiteral("qlm-windows"));
    }
    QString why;
    if (!MakePrivateFolder(path, &why)) {
        if (error)
            *error = why;
        return QString();
    }
    return path;
}

namespace {

enum class Reply { Awaited, None };

// One request to one program: connect, send, and (unless posted) wait for
// the answer, all within the limit. A socket whose program has ended is
// removed on the way.
bool Call(qint64 pid, const QCborMap& request, Reply mode, int limitMs, QCborMap* answer) {
    const QString folder = WindowMessageFolder();
    if (folder.isEmpty() || pid <= 0)
        return false;
    const QString path = SocketPath(folder, pid);
    const QDeadlineTimer deadline(limitMs);
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) {
        const auto error = socket.error();
        if (!ProcessAlive(pid) || error == QLocalSocket::ConnectionRefusedError) {
            QFile::remove(path);
            QFile::remove(ListPath(folder, pid));
        }
        return false;
    }
    if (!PeerIsSameUser(socket.socketDescriptor()))
        return false;
    socket.write(EncodeFrame(request));
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime())))
            return false;
    }
    if (mode == Reply::None) {
        socket.disconnectFromServer();
        return true;
    }
    QByteArray buffer;
    for (;;) {
        QCborMap message;
        switch (TakeFrame(buffer, &message)) {
        case FrameResult::Complete:
            if (answer)
                *answer = message;
            return message.value(kOk).toBool();
        case FrameResult::Damaged:
            return false;
        case FrameResult::Incomplete:
            break;
        }
        if (deadline.hasExpired() || !socket.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            return false;
        buffer += socket.readAll();
    }
}

// The list a program published, read without blocking: only a regular file
// counts (a FIFO under that name must not hold the caller).
bool ReadPublished(const QString& path, QByteArray* bytes) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info {};
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    if (regular) {
        bytes->resize(std::min<qsizetype>(info.st_size, kMaxFrameBytes));
        const ssize_t got = ::read(fd, bytes->data(), static_cast<size_t>(bytes->size()));
        bytes->resize(got > 0 ? got : 0);
    }
    ::close(fd);
    return regular;
}

QCborMap Request(QLatin1StringView op, WindowHandle window = 0) {
    QCborMap request;
    request.insert(kOp, op);
    if (window != 0)
        request.insert(kWindow, static_cast<qint64>(window));
    return request;
}

}  // namespace

SocketWindowSystem::SocketWindowSystem(int requestLimitMs) : limitMs_(requestLimitMs) {}

QList<qint64> SocketWindowSystem::ServingProcesses() {
    QList<qint64> pids;
    const QString folder = WindowMessageFolder();
    if (folder.isEmpty())
        return pids;
    const QDir dir(folder);
    const QStringList names =
        dir.entryList({QStringLiteral("*.sock"), QStringLiteral("*.windows")}, QDir::System | QDir::Files, QDir::Name);
    for (const QString& name : names) {
        const qint64 pid = ProcessOfFileName(name);
        if (pid <= 0)
            continue;
        const bool socket = name.endsWith(u".sock");
        // A program that has ended, or a list whose socket has gone.
        if (!ProcessAlive(pid) || (!socket && !QFile::exists(SocketPath(folder, pid)))) {
            QFile::remove(dir.filePath(name));
            continue;
        }
        if (socket)
            pids.append(pid);
    }
    return pids;
}

QList<WindowInfo> SocketWindowSystem::TopLevelWindows() {
    QList<WindowInfo> windows;
    const QList<qint64> pids = ServingProcesses();
    const QString folder = WindowMessageFolder();
    // A program that has ended may come back under its number as another.
    for (auto it = silent_.begin(); it != silent_.end();)
        it = pids.contains(*it) ? std::next(it) : silent_.erase(it);
    for (qint64 pid : pids) {
        if (silent_.contains(pid))
            continue;
        // The published list, as the system keeps captions; a program that
        // publishes none is asked, once at most if it does not answer.
        QCborArray list;
        QByteArray published;
        if (ReadPublished(ListPath(folder, pid), &published)) {
            list = QCborValue::fromCbor(published).toArray();
        } else {
            QCborMap answer;
            if (!Call(pid, Request(kOpList), Reply::Awaited, std::min(limitMs_, kPeerAnswerLimitMs), &answer)) {
                if (ProcessAlive(pid))
                    silent_.insert(pid);
                continue;
            }
            list = answer.value(kWindows).toArray();
        }
        for (const QCborValue& item : list) {
            const QCborMap map = item.toMap();
            WindowInfo info;
            info.handle = static_cast<WindowHandle>(map.value(kWindow).toInteger());
            info.windowClass = map.value(kClass).toString();
            info.caption = map.value(kText).toString();
            info.processId = pid;
            // A program answers only for its own windows.
            if (ProcessOfWindow(info.handle) == pid)
                windows.append(info);
        }
    }
    return windows;
}

QList<WindowHandle> SocketWindowSystem::ChildWindows(WindowHandle parent, const QString& windowClass) {
    QList<WindowHandle> children;
    QCborMap request = Request(kOpChildren, parent);
    request.insert(kClass, windowClass);
    QCborMap answer;
    if (!Call(ProcessOfWindow(parent), request, Reply::Awaited, limitMs_, &answer))
        return children;
    const QCborArray list = answer.value(kWindows).toArray();
    for (const QCborValue& item : list)
        children.append(static_cast<WindowHandle>(item.toInteger()));
    return children;
}

bool SocketWindowSystem::SetWindowText(WindowHandle window, const QString& text) {
    QCborMap request = Request(kOpSetText, window);
    request.insert(kText, text);
    return Call(ProcessOfWindow(window), request, Reply::Awaited, limitMs_, nullptr);
}

bool SocketWindowSystem::GetWindowText(WindowHandle window, QString* text) {
    QCborMap answer;
    if (!Call(ProcessOfWindow(window), Request(kOpGetText, window), Reply::Awaited, limitMs_, &answer))
        return false;
    *text = answer.value(kText).toString();
    return true;
}

bool SocketWindowSystem::PostClose(WindowHandle window) {
    const qint64 pid = ProcessOfWindow(window);
    if (silent_.contains(pid))
        return false;
    const bool posted =
        Call(pid, Request(kOpClose, window), Reply::None, std::min(limitMs_, kPeerAnswerLimitMs), nullptr);
    if (!posted && ProcessAlive(pid))
        silent_.insert(pid);
    return posted;
}

bool SocketWindowSystem::SetWindowPosition(WindowHandle window, int x, int y, bool toBottom) {
    QCborMap request = Request(kOpMove, window);
    request.insert(kX, x);
    request.insert(kY, y);
    request.insert(kBottom, toBottom);
    return Call(ProcessOfWindow(window), request, Reply::Awaited, limitMs_, nullptr);
}

bool SocketWindowSystem::ActivateProcess(qint64 processId) {
    return Call(processId, Request(kOpActivate), Reply::Awaited, limitMs_, nullptr);
}

bool SocketWindowSystem::SendKeys(qint64 processId, const QString& keys) {
    QCborMap request = Request(kOpKeys);
    request.insert(kKeys, keys);
    return Call(processId, request, Reply::Awaited, limitMs_, nullptr);
}

qint64 SocketWindowSystem::StartProcess(const QString& program, const QString& workingFolder) {
    QProcess process;
    process.setProgram(program);
    process.setWorkingDirectory(workingFolder);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!environment.contains(QStringLiteral("QT_QPA_PLATFORM")) && !environment.contains(QStringLiteral("DISPLAY")) &&
        !environment.contains(QStringLiteral("WAYLAND_DISPLAY")))
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // A fresh window folder of this process's own is known to nobody else.
    const QString windowFolder = WindowMessageFolder();
    if (!windowFolder.isEmpty())
        environment.insert(QString::fromLatin1(kWindowFolderVariable), windowFolder);
    process.setProcessEnvironment(environment);
    qint64 pid = 0;
    // What it writes in the run's folder is decoded calls: owner-only from
    // the start. The mask is inherited at the fork.
    const mode_t mask = ::umask(077);
    const bool started = process.startDetached(&pid);
    ::umask(mask);
    return started ? pid : 0;
}

QString SocketWindowSystem::WorkingFolderOf(qint64 processId) {
    if (processId <= 0)
        return QString();
    char target[4096];
    const QByteArray link = "/proc/" + QByteArray::number(processId) + "/cwd";
    const ssize_t length = ::readlink(link.constData(), target, sizeof target - 1);
    if (length <= 0)
        return QString();
    QByteArray path(target, length);
    // A folder removed meanwhile still names the process's folder.
    static const QByteArray deleted(" (deleted)");
    if (path.endsWith(deleted))
        path.chop(deleted.size());
    return QFile::decodeName(path);
}

bool SocketWindowSystem::EndProcess(qint64 processId, const QString& workingFolder) {
    if (processId <= 0)
        return true;
    // The descriptor pins the process: its number cannot pass to another one
    // between the check and the kill.
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, static_cast<pid_t>(processId), 0));
    if (pidfd < 0)
        return errno == ESRCH;
    const QString folder = WorkingFolderOf(processId);
    bool ended = false;
    if (!workingFolder.isEmpty() && !folder.isEmpty() && QDir::cleanPath(folder) != QDir::cleanPath(workingFolder) &&
        QFileInfo(folder).canonicalFilePath() != QFileInfo(workingFolder).canonicalFilePath()) {
        ended = true;  // not the program that was started there
    } else {
        pollfd wait{pidfd, POLLIN, 0};
        // A program asked to close ends at once; one that is still there
        // after a moment will not end by itself.
        constexpr int kGraceMs = 250;
        ended = ::poll(&wait, 1, kGraceMs) == 1;
        if (!ended && ::syscall(SYS_pidfd_send_signal, pidfd, SIGKILL, nullptr, 0) == 0) {
            wait.revents = 0;
            ended = ::poll(&wait, 1, 5 * kPeerAnswerLimitMs) == 1;
        }
    }
    ::close(pidfd);
    return ended;
}

bool SocketWindowSystem::CanOpenForReading(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly);
}

void SocketWindowSystem::Sleep(int milliseconds) { QThread::msleep(static_cast<unsigned long>(milliseconds)); }

void SocketWindowSystem::ProcessEvents() {
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

}  // namespace qlm
