// The window-message layer between real processes: a peer program serves
// windows, this test reaches them through the socket folder.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <QThread>

#include <memory>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "platform/winmsg.h"

namespace qlm {
namespace {

class WinMsgTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = qgetenv("QLM_WINMSG_DIR");
        folder_ = QDir(temp_.path()).filePath(QStringLiteral("windows"));
        qputenv("QLM_WINMSG_DIR", QFile::encodeName(folder_));
    }
    void TearDown() override {
        for (auto& peer : peers_) {
            peer->kill();
            peer->waitForFinished();
        }
        if (saved_.isEmpty())
            qunsetenv("QLM_WINMSG_DIR");
        else
            qputenv("QLM_WINMSG_DIR", saved_);
    }
    QProcess* StartPeer(const QString& caption) { return StartPeerWith({caption, Marker()}); }
    QProcess* StartPeerWith(const QStringList& args) {
        auto peer = std::make_unique<QProcess>();
        peer->start(PeerProgram(), args);
        EXPECT_TRUE(peer->waitForReadyRead(20000));
        EXPECT_EQ(peer->readAllStandardOutput(), QByteArray("ready\n"));
        peers_.push_back(std::move(peer));
        return peers_.back().get();
    }
    static QString PeerProgram() { return QCoreApplication::applicationDirPath() + QStringLiteral("/winmsg_peer"); }
    QString Marker() const { return QDir(temp_.path()).filePath(QStringLiteral("busy")); }
    void WaitForBusy() {
        for (int i = 0; i < 1000 && !QFile::exists(Marker() + QStringLiteral(".start")); ++i)
            QThread::msleep(10);
        ASSERT_TRUE(QFile::exists(Marker() + QStringLiteral(".start")));
    }

    QTemporaryDir temp_;
    QString folder_;
    QByteArray saved_;
    std::vector<std::unique_ptr<QProcess>> peers_;
};

TEST_F(WinMsgTest, FolderIsPrivateToTheUser) {
    QString error;
    ASSERT_EQ(WindowMessageFolder(&error), folder_) << error.toStdString();
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(folder_).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    // Opened up by someone: made private again.
    ::chmod(QFile::encodeName(folder_).constData(), 0777);
    EXPECT_EQ(WindowMessageFolder(), folder_);
    ::stat(QFile::encodeName(folder_).constData(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    // Not a folder, or another user's: refused.
    const QString file = QDir(temp_.path()).filePath(QStringLiteral("plain"));
    QFile(file).open(QIODevice::WriteOnly);
    qputenv("QLM_WINMSG_DIR", QFile::encodeName(file));
    EXPECT_EQ(WindowMessageFolder(&error), QString());
    EXPECT_FALSE(error.isEmpty());
    if (::geteuid() == 0) {
        const QString foreign = QDir(temp_.path()).filePath(QStringLiteral("foreign"));
        QDir().mkdir(foreign);
        ASSERT_EQ(::chown(QFile::encodeName(foreign).constData(), 65534, 65534), 0);
        qputenv("QLM_WINMSG_DIR", QFile::encodeName(foreign));
        EXPECT_EQ(WindowMessageFolder(&error), QString());
        EXPECT_TRUE(error.contains(QStringLiteral("another user")));
    }
}

// Without a runtime folder the fallback is a per-user folder in the temporary
// folder, which anyone may have made first: it is used only when it is this
// user's own, of mode 0700 and no link; else a fresh private folder of this
// process's own is used and handed to the programs it starts.
TEST_F(WinMsgTest, FallbackFolderIsUsedOnlyWhenItIsTheUsersOwn) {
    const QString tmp = QDir(temp_.path()).filePath(QStringLiteral("tmp"));
    ASSERT_TRUE(QDir().mkdir(tmp));
    ::chmod(QFile::encodeName(temp_.path()).constData(), 0755);  // another user gets there
    ::chmod(QFile::encodeName(tmp).constData(), 01777);          // as /tmp is
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR"), tmpdir = qgetenv("TMPDIR");
    qunsetenv("QLM_WINMSG_DIR");
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", QFile::encodeName(tmp));
    const QString shared = QDir(tmp).filePath(QStringLiteral("qlm-windows-%1").arg(::geteuid()));
    const QByteArray native = QFile::encodeName(shared);
    const auto expectFresh = [&](const char* what) {
        const QString folder = WindowMessageFolder();
        EXPECT_TRUE(folder.startsWith(shared + u'-')) << what << ": " << folder.toStdString();
        struct stat info {};
        EXPECT_EQ(::lstat(QFile::encodeName(folder).constData(), &info), 0) << what;
        EXPECT_TRUE(S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 0777) == 0700) << what;
        EXPECT_EQ(WindowMessageFolder(), folder) << what;  // one for the whole run
        return folder;
    };

    EXPECT_EQ(WindowMessageFolder(), shared);  // made by us, private
    ::chmod(native.constData(), 0755);
    const QString fresh = expectFresh("opened up");
    struct stat info {};
    ::lstat(native.constData(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0755u);  // not ours to change
    ::rmdir(native.constData());
    const QString target = QDir(temp_.path()).filePath(QStringLiteral("elsewhere"));
    ::mkdir(QFile::encodeName(target).constData(), 0700);
    ASSERT_TRUE(QFile::link(target, shared));
    expectFresh("a link");
    QFile::remove(shared);

    // Made first by another user: a user of the test's own where it may
    // create one, else the folder given to nobody.
    if (::geteuid() == 0) {
        const QString user = QStringLiteral("qlmpeer%1").arg(::getpid());
        const bool added = QProcess::execute(QStringLiteral("useradd"), {QStringLiteral("-M"), user}) == 0;
        QProcess id;
        id.start(QStringLiteral("id"), {QStringLiteral("-u"), user});
        id.waitForFinished();
        const uid_t other = added ? static_cast<uid_t>(id.readAllStandardOutput().trimmed().toUInt()) : 65534;
        const pid_t child = ::fork();
        if (child == 0) {  // the other user makes it, private to them
            const bool done = ::setgid(other) == 0 && ::setuid(other) == 0 && ::mkdir(native.constData(), 0700) == 0;
            ::_exit(done ? 0 : 1);
        }
        int status = 1;
        ::waitpid(child, &status, 0);
        EXPECT_EQ(status, 0) << "the other user could not make the folder";
        if (status != 0) {
            QDir().mkdir(shared);
            ASSERT_EQ(::chown(native.constData(), 65534, 65534), 0);
        }
        const QString ours = expectFresh("another user's");
        // A program started from here serves its windows in our folder.
        SocketWindowSystem windows;
        const qint64 pid = windows.StartProcess(PeerProgram(), temp_.path());
        ASSERT_GT(pid, 0);
        for (int i = 0; i < 2000 && !windows.ServingProcesses().contains(pid); ++i)
            QThread::msleep(10);
        EXPECT_TRUE(QFile::exists(QDir(ours).filePath(QStringLiteral("%1.sock").arg(pid))));
        const WindowHandle peer = windows.FindWindow(QString(), QStringLiteral("Peer"));
        EXPECT_NE(peer, 0u);
        EXPECT_TRUE(windows.PostClose(peer));
        EXPECT_TRUE(windows.EndProcess(pid, temp_.path()));
        ::rmdir(native.constData());
        if (added)
            QProcess::execute(QStringLiteral("userdel"), {user});
    } else {
        std::printf("[ SKIPPED  ] another user's folder: the test runs as root only\n");
    }
    EXPECT_TRUE(QFileInfo(fresh).isDir());
    if (!runtime.isEmpty())
        qputenv("XDG_RUNTIME_DIR", runtime);
    if (tmpdir.isEmpty())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", tmpdir);
}

// A peer that takes a connection and never answers is asked once; a window
// of a caption that no close request closes is still listed.
TEST_F(WinMsgTest, PeerThatNeverAnswersIsAskedOnce) {
    const QString silentCount = QDir(temp_.path()).filePath(QStringLiteral("silent.count"));
    const QString stuckCount = QDir(temp_.path()).filePath(QStringLiteral("stuck.count"));
    StartPeerWith({QStringLiteral("--silent"), silentCount});
    StartPeerWith({QStringLiteral("--silent"), stuckCount, QStringLiteral("Stuck")});
    QProcess* peer = StartPeer(QStringLiteral("Peer A"));
    SocketWindowSystem windows;
    for (int round = 0; round < 5; ++round) {
        const QList<WindowInfo> top = windows.TopLevelWindows();
        ASSERT_EQ(top.size(), 2) << round;
        EXPECT_EQ(windows.FindWindow(QString(), QStringLiteral("Peer A")) >> 32, quint64(peer->processId()));
    }
    QFile count(silentCount);
    ASSERT_TRUE(count.open(QIODevice::ReadOnly));
    EXPECT_EQ(count.readAll(), QByteArray("1"));
    EXPECT_FALSE(QFile::exists(stuckCount));  // its list is read, not asked for
    const WindowHandle stuck = windows.FindWindow(QString(), QStringLiteral("Stuck"));
    EXPECT_TRUE(windows.PostClose(stuck));
    EXPECT_NE(windows.FindWindow(QString(), QStringLiteral("Stuck")), 0u);
    // The others still answer.
    QString text;
    EXPECT_TRUE(windows.GetWindowText(
        windows.FindChildWindow(windows.FindWindow(QString(), QStringLiteral("Peer A")), QStringLiteral("Box")),
        &text));
    EXPECT_EQ(text, QStringLiteral("first"));
}

TEST_F(WinMsgTest, PeerWindowsAreFoundReadWrittenMovedAndClosed) {
    QProcess* peer = StartPeer(QStringLiteral("Peer A"));
    SocketWindowSystem windows;
    const qint64 pid = peer->processId();

    const QList<WindowInfo> top = windows.TopLevelWindows();
    ASSERT_EQ(top.size(), 1);
    EXPECT_EQ(top[0].windowClass, QStringLiteral("PeerMain"));
    EXPECT_EQ(top[0].caption, QStringLiteral("Peer A"));
    EXPECT_EQ(top[0].processId, pid);
    const WindowHandle main = windows.FindWindow(QString(), QStringLiteral("Peer A"));
    EXPECT_EQ(main, top[0].handle);
    EXPECT_EQ(windows.FindWindow(QStringLiteral("PeerMain"), QStringLiteral("Peer A")), main);
    EXPECT_EQ(windows.FindWindow(QStringLiteral("Other"), QStringLiteral("Peer A")), 0u);
    EXPECT_EQ(windows.FindWindow(QString(), QStringLiteral("Peer")), 0u);

    // Children of a class, in the order the peer made them.
    const WindowHandle first = windows.FindChildWindow(main, QStringLiteral("Box"));
    const WindowHandle second = windows.FindChildWindow(main, QStringLiteral("Box"), first);
    EXPECT_EQ(windows.FindChildWindow(main, QStringLiteral("Box"), second), 0u);
    EXPECT_EQ(windows.ChildWindows(main, QStringLiteral("Other")).size(), 1);
    QString text;
    ASSERT_TRUE(windows.GetWindowText(first, &text));
    EXPECT_EQ(text, QStringLiteral("first"));
    ASSERT_TRUE(windows.GetWindowText(second, &text));
    EXPECT_EQ(text, QStringLiteral("second"));

    const QString path = QStringLiteral("/tmp/Fälle \"quoted\"/A2505143.527.Dat");
    EXPECT_TRUE(windows.SetWindowText(second, path));
    ASSERT_TRUE(windows.GetWindowText(second, &text));
    EXPECT_EQ(text, path);
    EXPECT_FALSE(windows.GetWindowText(main + 99, &text));

    EXPECT_TRUE(windows.SetWindowPosition(main, 1600, 1600, true));
    ASSERT_TRUE(windows.GetWindowText(main, &text));
    EXPECT_EQ(text, QStringLiteral("moved 1600 1600 1"));
    // A caption set by request is found under its new text.
    EXPECT_TRUE(windows.SetWindowText(main, QStringLiteral("Peer B")));
    EXPECT_EQ(windows.FindWindow(QString(), QStringLiteral("Peer B")), main);
    EXPECT_TRUE(windows.ActivateProcess(pid));
    EXPECT_TRUE(windows.SendKeys(pid, QStringLiteral("a")));
    EXPECT_FALSE(windows.SendKeys(pid, QStringLiteral("{NoSuchKey}")));

    // A posted close returns at once; the peer ends and its socket goes.
    EXPECT_TRUE(windows.PostClose(main));
    ASSERT_TRUE(peer->waitForFinished(20000));
    EXPECT_FALSE(QFile::exists(QDir(folder_).filePath(QStringLiteral("%1.sock").arg(pid))));
    EXPECT_FALSE(QFile::exists(QDir(folder_).filePath(QStringLiteral("%1.windows").arg(pid))));
    EXPECT_TRUE(windows.TopLevelWindows().isEmpty());
}

TEST_F(WinMsgTest, BusyPeerAnswersWhenItIsDone) {
    QProcess* peer = StartPeer(QStringLiteral("Busy"));
    const qint64 pid = peer->processId();
    SocketWindowSystem windows;
    const WindowHandle main = windows.FindWindow(QString(), QStringLiteral("Busy"));
    ASSERT_NE(main, 0u);

    // The keys' answer comes once they were handled.
    bool keysAnswered = false;
    bool markerAtAnswer = false;
    std::thread sender([&] {
        SocketWindowSystem own;
        keysAnswered = own.SendKeys(pid, QStringLiteral("b"));
        markerAtAnswer = QFile::exists(Marker());
    });
    WaitForBusy();
    // A request sent meanwhile waits for the peer to be free again.
    QString text;
    EXPECT_TRUE(windows.GetWindowText(main, &text));
    EXPECT_EQ(text, QStringLiteral("Busy"));
    EXPECT_TRUE(QFile::exists(Marker()));
    sender.join();
    EXPECT_TRUE(keysAnswered);
    EXPECT_TRUE(markerAtAnswer);
}

TEST_F(WinMsgTest, UnansweredRequestFailsAtTheLimit) {
    QProcess* peer = StartPeer(QStringLiteral("Slow"));
    const qint64 pid = peer->processId();
    SocketWindowSystem windows;
    const WindowHandle main = windows.FindWindow(QString(), QStringLiteral("Slow"));
    ASSERT_NE(main, 0u);
    std::thread sender([&] { SocketWindowSystem().SendKeys(pid, QStringLiteral("b")); });
    WaitForBusy();
    SocketWindowSystem impatient(200);
    // Found while busy, as a window is; asking it something fails at the limit.
    EXPECT_EQ(impatient.FindWindow(QString(), QStringLiteral("Slow")), main);
    QString text;
    EXPECT_FALSE(impatient.GetWindowText(main, &text));
    EXPECT_FALSE(QFile::exists(Marker()));  // gave up before the peer was free
    sender.join();
    EXPECT_TRUE(impatient.GetWindowText(main, &text));
}

TEST_F(WinMsgTest, SocketsOfEndedProgramsAreRemoved) {
    QProcess* peer = StartPeer(QStringLiteral("Doomed"));
    const qint64 pid = peer->processId();
    const QString socket = QDir(folder_).filePath(QStringLiteral("%1.sock").arg(pid));
    ASSERT_TRUE(QFile::exists(socket));
    peer->kill();
    peer->waitForFinished();
    const QString list = QDir(folder_).filePath(QStringLiteral("%1.windows").arg(pid));
    ASSERT_TRUE(QFile::exists(socket));  // a killed program leaves them behind
    ASSERT_TRUE(QFile::exists(list));
    const QString invented = QDir(folder_).filePath(QStringLiteral("2147483000.sock"));
    QFile(invented).open(QIODevice::WriteOnly);

    QProcess* live = StartPeer(QStringLiteral("Alive"));
    SocketWindowSystem windows;
    EXPECT_EQ(windows.ServingProcesses(), QList<qint64>{live->processId()});
    EXPECT_FALSE(QFile::exists(socket));
    EXPECT_FALSE(QFile::exists(list));
    EXPECT_FALSE(QFile::exists(invented));
    EXPECT_EQ(windows.TopLevelWindows().size(), 1);
}

}  // namespace
}  // namespace qlm
