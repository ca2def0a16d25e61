// Run folders between real processes: a folder that a live process holds
// survives every tidy, one whose process was killed goes, and what lies in
// the work folder besides is treated as the work folder always was.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/runfolder.h"

namespace qlm {
namespace {

unsigned ModeOf(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

QString JoinName(const QString& folder, const char* name) { return folder + u'/' + QString::fromLatin1(name); }

void Write(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write("x");
}

// Another process that takes a run folder in work and holds it until it is
// killed; its folder's path comes back through a pipe.
struct Holder {
    pid_t pid = -1;
    QString folder;

    explicit Holder(const QString& work) {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        pid = ::fork();
        if (pid == 0) {
            ::close(fds[0]);
            const QByteArray path = QFile::encodeName(RunFolderIn(work)) + '\n';
            if (::write(fds[1], path.constData(), static_cast<size_t>(path.size())) < 0)
                ::_exit(1);
            for (;;)
                ::pause();
        }
        ::close(fds[1]);
        QByteArray path;
        char c = 0;
        while (::read(fds[0], &c, 1) == 1 && c != '\n')
            path += c;
        ::close(fds[0]);
        folder = QFile::decodeName(path);
    }
    void Kill() {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            pid = -1;
        }
    }
    ~Holder() { Kill(); }
};

TEST(RunFolder, LiveRunsKeepTheirFoldersAndKilledOnesAreTidied) {
    QTemporaryDir dir;
    const QString work = QDir(dir.path()).filePath(QStringLiteral("app/temp"));
    // A portable folder's "temp" made by an earlier version, open to all.
    ASSERT_TRUE(QDir().mkpath(work));
    ::chmod(QFile::encodeName(work).constData(), 0755);

    // Forked before this process takes a folder of its own.
    Holder live(work), killed(work);
    const QString own = RunFolderIn(work);
    ASSERT_FALSE(own.isEmpty());
    EXPECT_EQ(QFileInfo(own).path(), work);
    EXPECT_EQ(RunFolderIn(work), own);  // one for the life of the process
    EXPECT_EQ(ModeOf(work), 0700u);     // decoded calls in it
    EXPECT_EQ(ModeOf(own), 0700u);
    EXPECT_TRUE(IsHeldRunFolder(own));

    ASSERT_FALSE(live.folder.isEmpty());
    ASSERT_FALSE(killed.folder.isEmpty());
    EXPECT_NE(live.folder, own);
    EXPECT_NE(killed.folder, live.folder);
    Write(JoinName(live.folder, "A2505143.527.wav"));
    Write(JoinName(killed.folder, "A2505143.527.wav"));
    // A link in a dead run's folder to a file outside: the link goes, the
    // file stays.
    const QString outside = QDir(dir.path()).filePath(QStringLiteral("outside.wav"));
    Write(outside);
    ASSERT_TRUE(QFile::link(outside, JoinName(killed.folder, "link.wav")));
    killed.Kill();
    EXPECT_TRUE(IsHeldRunFolder(live.folder));
    EXPECT_FALSE(IsHeldRunFolder(killed.folder));
    EXPECT_TRUE(IsRunFolderOf(killed.folder, work));
    EXPECT_FALSE(IsRunFolderOf(outside, work));

    // Loose files of the old shared layout, a folder that is no run's, and
    // this process's own files.
    Write(JoinName(work, "B1124101.010.wav"));
    Write(JoinName(work, "qlmtool.catalogue"));
    QDir(work).mkdir(QStringLiteral("keep"));
    Write(JoinName(work, "keep/inner.wav"));
    Write(JoinName(own, "C2424192.000.Dat"));
    QDir(own).mkdir(QStringLiteral("sub"));
    TidyWorkFolder(work, true);
    EXPECT_TRUE(QFileInfo::exists(JoinName(live.folder, "A2505143.527.wav")));
    EXPECT_FALSE(QFileInfo::exists(killed.folder));
    EXPECT_TRUE(QFileInfo::exists(outside));
    EXPECT_FALSE(QFileInfo::exists(JoinName(work, "B1124101.010.wav")));
    EXPECT_FALSE(QFileInfo::exists(JoinName(work, "qlmtool.catalogue")));
    EXPECT_TRUE(QFileInfo::exists(JoinName(work, "keep/inner.wav")));
    EXPECT_FALSE(QFileInfo::exists(JoinName(own, "C2424192.000.Dat")));
    EXPECT_TRUE(QFileInfo(JoinName(own, "sub")).isDir());
    EXPECT_EQ(RunFolderIn(work), own);

    // Only decoded files of this process's folder become owner-only.
    Write(JoinName(own, "A.qlm.wav"));
    ::chmod(QFile::encodeName(JoinName(own, "A.qlm.wav")).constData(), 0644);
    ::chmod(QFile::encodeName(outside).constData(), 0644);
    KeepToOwner(JoinName(own, "A.qlm.wav"));
    KeepToOwner(outside);
    EXPECT_EQ(ModeOf(JoinName(own, "A.qlm.wav")), 0600u);
    EXPECT_EQ(ModeOf(outside), 0644u);

    // The holder's end sets its folder free; letting go of ours removes it,
    // and the next run gets a new one.
    live.Kill();
    EXPECT_FALSE(IsHeldRunFolder(live.folder));
    ReleaseRunFolder();
    EXPECT_FALSE(QFileInfo::exists(own));
    const QString next = RunFolderIn(work);
    EXPECT_FALSE(next.isEmpty());
    EXPECT_NE(next, own);
    EXPECT_FALSE(QFileInfo::exists(live.folder));  // a new run tidies up
    ReleaseRunFolder();
}

}  // namespace
}  // namespace qlm
