// qlmtool as a script runs it, in an application folder of its own with a
// password set: nothing happens without the password, qlmtool passwd changes
// it under the window's rules, and a password file that is no readable file
// says so.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

#include "app/access/dealpwd.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "tests/access/accessfixture.h"
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

namespace {

// qlmtool in an application folder of its own, as an installed copy runs.
struct Tool {
    QTemporaryDir folder;
    QString path;
    Tool() {
        path = folder.filePath("qlmtool");
        QFile::copy(test::BuiltPath("qlmtool"), path);
        QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther |
                                   QFile::ExeOther);
        QFile::copy(test::SourcePath("data/strLib.ini"), folder.filePath("strLib.ini"));
        // The texts the tool is expected to show.
        LoadStringLibrary(folder.filePath("strLib.ini"), QStringLiteral("QLM6200"));
    }
    QString file() const { return folder.filePath("qlm6200.pwd"); }
    test::RunResult Run(const QStringList& args, const QByteArray& input) const {
        return test::Run(path, args, input, 30000);
    }
    // Signed in: list gets as far as the catalogue, which is not there.
    bool SignsIn(const QString& password) const {
        const test::RunResult r =
            Run({"list", "--password-stdin", folder.filePath("none.mdb")}, password.toUtf8() + '\n');
        return r.exitCode != 3 && !r.err.contains("Wrong password");
    }
};

QByteArray Lines(const QStringList& lines) { return lines.join(u'\n').toUtf8() + '\n'; }

}  // namespace

// The table of passwords through qlmtool passwd and qlmtool's sign-in, as
// real processes, against the bytes of the file.
TEST(QlmtoolPassword, PasswdKeepsAPasswordWholeOrRefusesIt) {
    const Tool tool;
    QString current;
    for (const test::StorablePassword& p : test::StorablePasswords()) {
        const test::RunResult r = tool.Run({"passwd", "--password-stdin"}, Lines({current, p.typed, p.typed}));
        ASSERT_EQ(r.exitCode, 0) << p.typed.toStdString() << r.err.toStdString();
        EXPECT_EQ(r.out, LibStr(str::PasswordChanged).toUtf8() + '\n');
        EXPECT_EQ(test::ReadFile(tool.file()), ScramblePassword(p.stored, QStringLiteral("KITE")).toLatin1());
        EXPECT_TRUE(tool.SignsIn(p.typed)) << p.typed.toStdString();
        current = p.stored;
    }
    test::WriteFile(tool.file(), ScramblePassword("Gre1", QStringLiteral("KITE")).toLatin1());
    const QByteArray kept = test::ReadFile(tool.file());
    const QByteArray refused =
        "qlmtool: " + LibStr(str::NewPasswordNotKept).toUtf8() + ' ' + LibStr(str::PasswordCharacters).toUtf8() + '\n';
    for (const test::RefusedPassword& p : test::RefusedPasswords()) {
        const test::RunResult r = tool.Run({"passwd", "--password-stdin"}, Lines({"Gre1", p.typed, p.typed}));
        EXPECT_EQ(r.exitCode, 1) << p.typed.toStdString();
        EXPECT_EQ(r.err, refused);
        EXPECT_EQ(test::ReadFile(tool.file()), kept);
        EXPECT_FALSE(tool.SignsIn(p.typed)) << p.typed.toStdString();
        EXPECT_TRUE(tool.SignsIn("Gre1"));
    }
    // Bytes that are not UTF-8 are no password either.
    EXPECT_EQ(tool.Run({"passwd", "--password-stdin"},
                       "Gre1\nGr\xfc\xdf"
                       "e1\nGr\xfc\xdf"
                       "e1\n")
                  .exitCode,
              1);
    EXPECT_EQ(test::ReadFile(tool.file()), kept);

    // The other refusals: a confirmation that differs, one too long, a
    // wrong old password (exit 3), a missing line; none touches the file.
    test::RunResult r = tool.Run({"passwd", "--password-stdin"}, Lines({"Gre1", "new", "new "}));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "qlmtool: " + LibStr(str::NewPasswordsDiffer).toUtf8() + '\n');
    r = tool.Run({"passwd", "--password-stdin"}, Lines({"Gre1", "seventeen chars!!", "seventeen chars!!"}));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "qlmtool: " + LibStr(str::NewPasswordTooLong).toUtf8() + '\n');
    r = tool.Run({"passwd", "--password-stdin"}, Lines({"gre1", "new", "new"}));
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.err, "qlmtool: " + LibStr(str::OldPasswordWrong).toUtf8() + '\n');
    EXPECT_EQ(tool.Run({"passwd", "--password-stdin"}, "Gre1\nnew\n").exitCode, 1);
    EXPECT_EQ(tool.Run({"passwd"}, Lines({"Gre1", "new", "new"})).exitCode, 3);  // no terminal, no flag
    EXPECT_EQ(tool.Run({"passwd", "extra"}, QByteArray()).exitCode, 64);
    EXPECT_EQ(test::ReadFile(tool.file()), kept);
    EXPECT_EQ(QDir(tool.folder.path()).entryList({"qlm6200.pwd*"}, QDir::Files | QDir::Hidden),
              QStringList{"qlm6200.pwd"});
}

// Wrong passwords from separate runs add up; the right one releases them.
// Nothing here waits: three are free.
TEST(QlmtoolPassword, WrongPasswordsOfSeparateRunsAddUp) {
    const Tool tool;
    test::WriteFile(tool.file(), ScramblePassword("secret", QStringLiteral("KITE")).toLatin1());
    for (int i = 1; i <= 3; ++i) {
        const test::RunResult r = tool.Run({"list", "--password-stdin", "x.mdb"}, "guess\n");
        EXPECT_EQ(r.exitCode, 3);
        EXPECT_TRUE(r.err.startsWith("Wrong password\n"));
        EXPECT_EQ(r.err.contains(LibStr(str::BrakeNextTry).arg(3).arg(1).toUtf8()), i == 3) << r.err.constData();
    }
    const QStringList tries = QDir(tool.folder.path()).entryList({"qlm6200.tries.*"}, QDir::Files);
    ASSERT_EQ(tries.size(), 1);
    EXPECT_TRUE(test::ReadFile(tool.folder.filePath(tries[0])).startsWith("3 "));
}

// A folder, a FIFO, or a file this user may not read where the password
// file should be: each its own message and exit 1, never "Wrong password",
// and the FIFO does not hold the run.
TEST(QlmtoolPassword, APasswordFileThatCannotBeReadSaysWhy) {
    const Tool tool;
    const auto signIn = [&](const QStringList& prefix = {}) {
        QStringList args = {"list", "--password-stdin", "x.mdb"};
        if (!prefix.isEmpty())
            return test::Run(prefix.first(), prefix.mid(1) + QStringList{tool.path} + args, "\n", 30000);
        return tool.Run(args, "\n");
    };
    ASSERT_TRUE(QDir().mkdir(tool.file()));
    test::RunResult r = signIn();
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith("qlmtool: " + LibStr(str::PasswordFileIsFolder).toUtf8())) << r.err.constData();
    EXPECT_FALSE(r.err.contains("Wrong password"));
    ASSERT_TRUE(QDir().rmdir(tool.file()));

    ASSERT_EQ(::mkfifo(QFile::encodeName(tool.file()).constData(), 0600), 0);
    r = signIn();
    EXPECT_EQ(r.exitCode, 1) << "a run on a FIFO did not end";
    EXPECT_TRUE(r.err.startsWith("qlmtool: " + LibStr(str::PasswordFileNotRegular).toUtf8())) << r.err.constData();
    ASSERT_TRUE(QFile::remove(tool.file()));

    test::WriteFile(tool.file(), ScramblePassword("", QStringLiteral("KITE")).toLatin1());
    QFile::setPermissions(tool.file(), QFile::ReadOwner | QFile::WriteOwner);
    if (::geteuid() != 0)
        GTEST_SKIP() << "not root: no second user to run qlmtool as";
    // Root reads any file; nobody may not read root's.
    QFile::setPermissions(tool.folder.path(),
                          QFile::permissions(tool.folder.path()) | QFile::ReadOther | QFile::ExeOther);
    r = signIn({"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    EXPECT_EQ(r.exitCode, 1) << r.err.constData();
    EXPECT_TRUE(r.err.startsWith("qlmtool: " + LibStr(str::PasswordFileNoAccess).toUtf8())) << r.err.constData();
    EXPECT_TRUE(tool.SignsIn(""));
}
