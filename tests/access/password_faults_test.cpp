// A password change that does not get to its end: the process dies between
// writing the new file and putting it in place, the medium is full, the
// medium is read-only. The old password signs in every time. And a password
// file that cannot be read at all.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "app/access/dealpwd.h"
#include "app/access/passwordgate.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "platform/appfolder.h"
#include "tests/access/accessfixture.h"
#include "tests/support/smallfs.h"
#include "tests/support/testsupport.h"

using namespace qlm;

namespace {

QStringList PasswordFiles(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("qlm6200.pwd*")}, QDir::Files | QDir::Hidden);
}

}  // namespace

TEST(PasswordFaults, ProcessDiesBetweenWriteAndRename) {
    test::AppFolder app;
    ASSERT_TRUE(SavePassword("", "old one"));
    const QByteArray before = test::ReadFile(app.file("qlm6200.pwd"));

    // A real process of its own, ended at the seam as a power cut would end
    // it: its new file stays behind under the temporary name.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // At the seam the new file is complete and flushed, beside the old.
        const QString folder = QFileInfo(app.file("qlm6200.pwd")).absolutePath();
        SetPasswordWriteHook([folder](const QString& path) -> bool {
            const bool complete =
                test::ReadFile(path) == ScramblePassword("new one", QStringLiteral("KITE")).toLatin1();
            const bool beside = QFileInfo(path).absolutePath() == folder;
            ::_exit(complete && beside ? 9 : 8);
        });
        SavePassword("old one", "new one");
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_NE(WEXITSTATUS(status), 8) << "the new file was not complete, or not beside the old one, at the seam";
    ASSERT_EQ(WEXITSTATUS(status), 9) << "the change did not reach the seam";

    EXPECT_EQ(test::ReadFile(app.file("qlm6200.pwd")), before);
    EXPECT_EQ(PasswordFiles(app.path()).size(), 2);  // the file and the orphan
    EXPECT_TRUE(CheckPassword("old one"));
    EXPECT_FALSE(CheckPassword("new one"));

    // The next change goes through, the orphan in the folder notwithstanding.
    ASSERT_TRUE(SavePassword("old one", "new one"));
    EXPECT_TRUE(CheckPassword("new one"));
    EXPECT_FALSE(CheckPassword("old one"));
}

TEST(PasswordFaults, FullOrReadOnlyMedium) {
    test::SmallFs medium(64 * 1024);
    if (!medium.Mounted())
        GTEST_SKIP() << medium.WhyNot().toStdString();
    test::AppFolder app;
    SetApplicationFolder(medium.path());
    ASSERT_TRUE(SavePassword("", "old one"));
    const QByteArray before = test::ReadFile(medium.path() + "/qlm6200.pwd");

    // Fill the medium to its last byte.
    {
        QFile filler(medium.path() + "/filler");
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }
    Error error;
    EXPECT_FALSE(SavePassword("old one", "new one", &error));
    EXPECT_TRUE(error.IsSet());
    EXPECT_FALSE(error.description.isEmpty());
    EXPECT_EQ(test::ReadFile(medium.path() + "/qlm6200.pwd"), before);
    EXPECT_TRUE(CheckPassword("old one"));
    EXPECT_EQ(PasswordFiles(medium.path()), QStringList{"qlm6200.pwd"});  // no temporary file left

    QFile::remove(medium.path() + "/filler");
    ASSERT_TRUE(medium.SetReadOnly(true));
    error.Clear();
    EXPECT_FALSE(SavePassword("old one", "new one", &error));
    EXPECT_TRUE(error.IsSet());
    EXPECT_TRUE(CheckPassword("old one"));
    ASSERT_TRUE(medium.SetReadOnly(false));
    EXPECT_TRUE(SavePassword("old one", "new one"));
    EXPECT_TRUE(CheckPassword("new one"));
    SetApplicationFolder(app.path());
}

// What stands at the password file's name is not always a file. None of it
// is a wrong password, none counts as a guess, and a FIFO nobody writes to
// does not hold the sign-in.
TEST(PasswordFaults, AFolderAFifoOrAFileThisUserMayNotReadEachSaySo) {
    test::AppFolder app;
    test::FakeBrakeClock clock;
    const QString file = app.file("qlm6200.pwd");
    const auto attempt = [](PasswordFileProblem expected, const QString& kindText) {
        for (int i = 0; i < 4; ++i) {
            const AccessResult r = SignInAttempt("", BrakeMode::Refuse);
            EXPECT_EQ(r.outcome, AccessOutcome::FileProblem);
            EXPECT_EQ(r.fileProblem, expected);
            EXPECT_TRUE(AccessMessage(r).startsWith(kindText + u'\n')) << AccessMessage(r).toStdString();
            EXPECT_TRUE(AccessMessage(r).contains("qlm6200.pwd"));
        }
        EXPECT_EQ(ChangePasswordAttempt("", "x", "x", BrakeMode::Refuse).outcome, AccessOutcome::FileProblem);
        EXPECT_EQ(ReadBrakeState().failures, 0);
    };
    ASSERT_TRUE(QDir().mkdir(file));
    attempt(PasswordFileProblem::Folder, LibStr(str::PasswordFileIsFolder));
    EXPECT_TRUE(QFileInfo(file).isDir());
    ASSERT_TRUE(QDir().rmdir(file));

    // In a process of its own, so that a read that hangs fails the test
    // instead of stopping it.
    ASSERT_EQ(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::alarm(20);
        Error error;
        PasswordFileProblem problem = PasswordFileProblem::None;
        ReadPasswordFile(&error, &problem);
        ::_exit(problem == PasswordFileProblem::NotRegular && error.IsSet() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the read of a FIFO hung";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    attempt(PasswordFileProblem::NotRegular, LibStr(str::PasswordFileNotRegular));
    ASSERT_TRUE(QFile::remove(file));

    // A file this user may not read: as root, checked by a child that runs
    // as nobody.
    ASSERT_TRUE(SavePassword("", "secret"));
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    if (::geteuid() != 0) {
        QFile::setPermissions(file, QFileDevice::Permissions());
        attempt(PasswordFileProblem::NoAccess, LibStr(str::PasswordFileNoAccess));
        return;
    }
    QFile::setPermissions(app.path(), QFile::permissions(app.path()) | QFile::ExeOther | QFile::ReadOther);
    const pid_t other = ::fork();
    ASSERT_GE(other, 0);
    if (other == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        const AccessResult r = SignInAttempt("secret", BrakeMode::Refuse);
        ::_exit(r.outcome == AccessOutcome::FileProblem && r.fileProblem == PasswordFileProblem::NoAccess &&
                        AccessMessage(r).startsWith(LibStr(str::PasswordFileNoAccess))
                    ? 0
                    : 1);
    }
    ASSERT_EQ(::waitpid(other, &status, 0), other);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "nobody was not told that the file may not be read";
    EXPECT_TRUE(CheckPassword("secret"));
}
