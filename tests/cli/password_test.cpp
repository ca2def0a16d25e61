// qlmtool as a script runs it, in an application folder of its own with a
// password set: nothing happens without the password.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "tests/support/testsupport.h"

using namespace qlm;

TEST(QlmtoolPassword, CommandsRunOnlyWithThePassword) {
    QTemporaryDir folder;
    const QString tool = folder.filePath("qlmtool");
    ASSERT_TRUE(QFile::copy(test::BuiltPath("qlmtool"), tool));
    QFile(tool).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_TRUE(QFile::copy(test::SourcePath("data/strLib.ini"), folder.filePath("strLib.ini")));
    test::WriteFile(folder.filePath("qlm6200.pwd"), "\x43\x23\x43\x22\x74\x7D");  // "secret"

    QTemporaryDir work;
    const QString card = work.filePath("card");
    ASSERT_EQ(test::Run(test::BuiltPath("qlmsim"), {"democard", card}).exitCode, 0);
    const QStringList recordings = QDir(card).entryList(QDir::Files);
    ASSERT_FALSE(recordings.isEmpty());
    const auto catalogues = [&] { return QDir(card).entryList({"*.mdb"}, QDir::Files); };

    for (const QByteArray& input : {QByteArray("Secret\n"), QByteArray("\n"), QByteArray()}) {
        const test::RunResult r = test::Run(tool, {"build", card, "--password-stdin"}, input);
        EXPECT_EQ(r.exitCode, 3) << input.constData();
        EXPECT_EQ(r.err, "Wrong password\n");
        EXPECT_TRUE(r.out.isEmpty());
    }
    // Without the flag, stdin is no terminal here: no password at all, and
    // a password on stdin is not taken as one.
    test::RunResult r = test::Run(tool, {"copy", card, work.filePath("pc")}, "secret\n");
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.err, "Wrong password\n");
    EXPECT_FALSE(QFile::exists(work.filePath("pc")));
    EXPECT_TRUE(catalogues().isEmpty());

    // header reads one file's name and header and needs no password.
    r = test::Run(tool, {"header", QDir(card).filePath(recordings.first())});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();

    r = test::Run(tool, {"build", "--password-stdin", card}, "  secret\r\n");
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(catalogues().size(), 1);
    EXPECT_EQ(test::ReadFile(folder.filePath("qlm6200.pwd")), QByteArray("\x43\x23\x43\x22\x74\x7D"));
}
