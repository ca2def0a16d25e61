// Where the password file and the work folder go: inside a portable
// application folder, per user for a shared installation.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "app/access/dealpwd.h"
#include "app/catalogue/store.h"
#include "platform/appfolder.h"
#include "platform/userstate.h"
#include "tests/support/testsupport.h"

namespace {

int Mode(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

// Sets an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : name_(name), old_(qgetenv(name)), had_(qEnvironmentVariableIsSet(name)) {
        qputenv(name, value);
    }
    ~ScopedEnv() {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    QByteArray old_;
    bool had_;
};

}  // namespace

TEST(UserState, PortableFolderKeepsPasswordAndWorkFilesInside) {
    qlm::test::AppFolder app;
    const qlm::StateFolders folders = qlm::UserStateFolders();
    EXPECT_FALSE(folders.perUser);
    EXPECT_EQ(qlm::PasswordFilePath(), app.file("qlm6200.pwd"));
    EXPECT_EQ(QFileInfo(qlm::GetTempFolder().chopped(1)).path(), app.file("temp"));  // the process's own folder in it
}

// An installed folder (the package's marker in it) is shared even for root,
// who could write it: password and work files go to the user's XDG folders,
// created owner-only, and the application folder stays as it was.
TEST(UserState, SharedInstallationUsesTheUsersConfigAndCacheFolders) {
    qlm::test::AppFolder app;
    qlm::test::WriteFile(app.file("shared-installation"), "shared\n");
    QTemporaryDir home;
    const ScopedEnv homeEnv("HOME", QFile::encodeName(home.path()));
    const ScopedEnv configEnv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath("conf")));
    const ScopedEnv cacheEnv("XDG_CACHE_HOME", "relative/is/ignored");

    const qlm::StateFolders folders = qlm::UserStateFolders();
    EXPECT_TRUE(folders.perUser);
    EXPECT_EQ(folders.settings, home.filePath("conf/qlm6200"));
    EXPECT_EQ(folders.work, home.filePath(".cache/qlm6200/temp"));
    EXPECT_EQ(Mode(home.filePath("conf/qlm6200")), 0700);
    EXPECT_EQ(Mode(home.filePath(".cache/qlm6200")), 0700);

    // The first check creates the empty password file there, owner-only; a
    // new password is written there too, and read back by the next check.
    EXPECT_TRUE(qlm::CheckPassword(""));
    EXPECT_EQ(Mode(home.filePath("conf/qlm6200/qlm6200.pwd")), 0600);
    EXPECT_TRUE(qlm::SavePassword("", "secret"));
    EXPECT_TRUE(qlm::CheckPassword("secret"));
    EXPECT_EQ(Mode(home.filePath("conf/qlm6200/qlm6200.pwd")), 0600);
    EXPECT_EQ(QFileInfo(qlm::GetTempFolder().chopped(1)).path(), home.filePath(".cache/qlm6200/temp"));
    EXPECT_TRUE(QFileInfo(home.filePath(".cache/qlm6200/temp")).isDir());

    const QStringList inApp = QDir(app.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    EXPECT_EQ(inApp, QStringList({"shared-installation", "strLib.ini"}));
}

TEST(UserState, FolderThatCannotBeWrittenIsShared) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may write any folder; the marker case covers root";
    QTemporaryDir folder;
    ASSERT_TRUE(QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    EXPECT_FALSE(qlm::IsPortableFolder(folder.path()));
    QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_TRUE(qlm::IsPortableFolder(folder.path()));
}
