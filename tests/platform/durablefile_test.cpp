// Durable writes on real files: the target changes only with a commit, and
// nothing is left behind by one that never came.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "platform/durablefile.h"
#include "tests/support/testsupport.h"

namespace qlm {
namespace {

TEST(DurableFileTest, TheTargetChangesOnlyWithACommit) {
    QTemporaryDir dir;
    const QDir folder(dir.path());
    const QString path = folder.filePath(QStringLiteral("card.wav"));
    test::WriteFile(path, QByteArray("old"));
    {
        DurableFile file(path);
        ASSERT_TRUE(file.Open());
        ASSERT_TRUE(file.Write(QByteArray("new content")));
        EXPECT_EQ(test::ReadFile(path), QByteArray("old"));
        EXPECT_EQ(QFileInfo(file.TemporaryPath()).absolutePath(), folder.absolutePath());  // beside it
    }  // never committed: an error return, say
    EXPECT_EQ(test::ReadFile(path), QByteArray("old"));
    EXPECT_EQ(folder.entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("card.wav")});

    // A header rewritten once the sizes are known; owner-only permissions.
    DurableFile file(path);
    ASSERT_TRUE(file.Open());
    ASSERT_TRUE(file.Write(QByteArray("....body")));
    ASSERT_TRUE(file.Seek(0));
    ASSERT_TRUE(file.Write(QByteArray("HEAD")));
    ASSERT_TRUE(file.SetPermissions(QFile::ReadOwner | QFile::WriteOwner));
    ASSERT_TRUE(file.Commit());
    EXPECT_TRUE(file.Committed());
    EXPECT_EQ(test::ReadFile(path), QByteArray("HEADbody"));
    EXPECT_EQ(QFile::permissions(path), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    EXPECT_EQ(folder.entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("card.wav")});

    // A folder that is not there takes nothing.
    QString why;
    EXPECT_FALSE(WriteFileDurably(folder.filePath(QStringLiteral("gone/x.wav")), "x", &why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_TRUE(WriteFileDurably(path, "whole"));
    EXPECT_EQ(test::ReadFile(path), QByteArray("whole"));
}

}  // namespace
}  // namespace qlm
