// The window-message layer between real processes: a peer program serves
// windows, this test reaches them through the socket folder.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <memory>
#include <sys/stat.h>
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
    QProcess* StartPeer(const QString& caption) {
        auto peer = std::make_unique<QProcess>();
        peer->start(QCoreApplication::applicationDirPath() + QStringLiteral("/winmsg_peer"), {caption, Marker()});
        EXPECT_TRUE(peer->waitForReadyRead(20000));
        EXPECT_EQ(peer->readAllStandardOutput(), QByteArray("ready\n"));
        peers_.push_back(std::move(peer));
        return peers_.back().get();
    }
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
    // Without runtime folder, a per-user folder under /tmp.
    qunsetenv("QLM_WINMSG_DIR");
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(WindowMessageFolder(), QStringLiteral("/tmp/qlm-windows-%1").arg(::geteuid()));
    if (!runtime.isEmpty())
        qputenv("XDG_RUNTIME_DIR", runtime);
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
