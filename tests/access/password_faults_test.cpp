// A password change that does not get to its end: the process dies between
// writing the new file and putting it in place, the medium is full, the
// medium is read-only. The old password signs in every time.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "app/access/dealpwd.h"
#include "platform/appfolder.h"
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
