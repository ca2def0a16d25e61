// qlmtool's command line as scripts and users write it: options before or
// after the command, --help for the whole tool and per command, --version.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "tests/support/testsupport.h"

using namespace qlm;

namespace {

// The build's folder has no password set: the empty one signs in.
test::RunResult Tool(const QStringList& args, const QByteArray& input = "\n") {
    return test::Run(test::BuiltPath("qlmtool"), args, input);
}

}  // namespace

TEST(QlmtoolOptions, BeforeOrAfterTheCommand) {
    QTemporaryDir dir;
    const QString card = dir.filePath("card");
    ASSERT_EQ(test::Run(test::BuiltPath("qlmsim"), {"democard", card}).exitCode, 0);
    const test::RunResult built = Tool({"--password-stdin", "build", card});
    ASSERT_EQ(built.exitCode, 0) << built.err.toStdString();
    const QString catalogue = QString::fromUtf8(built.out).split(u'\t').first();

    const test::RunResult after = Tool({"list", "--json", catalogue, "--password-stdin"});
    ASSERT_EQ(after.exitCode, 0) << after.err.toStdString();
    EXPECT_EQ(after.out.count('\n'), 12);
    for (const QStringList& args : {QStringList{"--password-stdin", "list", "--json", catalogue},
                                    QStringList{"--json", "--password-stdin", "list", catalogue},
                                    QStringList{"list", "--password-stdin", "--json", catalogue}}) {
        const test::RunResult r = Tool(args);
        EXPECT_EQ(r.exitCode, 0) << args.join(' ').toStdString() << r.err.toStdString();
        EXPECT_EQ(r.out, after.out) << args.join(' ').toStdString();
    }
    // An option's value before the command is not taken for the command.
    const test::RunResult searched = Tool({"search", catalogue, "--from", "2024-10-1", "--password-stdin"});
    ASSERT_EQ(searched.exitCode, 0) << searched.err.toStdString();
    EXPECT_EQ(searched.out.count('\n'), 4);
    const test::RunResult early = Tool({"--from", "2024-10-1", "--password-stdin", "search", catalogue});
    EXPECT_EQ(early.exitCode, 0) << early.err.toStdString();
    EXPECT_EQ(early.out, searched.out);

    // Without the password the gate still holds, wherever the option is.
    EXPECT_EQ(Tool({"--json", "list", catalogue}, QByteArray()).exitCode, 3);
}

TEST(QlmtoolOptions, HelpAndVersion) {
    // Help needs no password and goes to stdout.
    test::RunResult r = Tool({"--help"}, QByteArray());
    EXPECT_EQ(r.exitCode, 0);
    for (const char* command :
         {"header", "copy", "build", "list", "search", "comment", "delete", "wipe-card", "convert"})
        EXPECT_TRUE(r.out.contains(QByteArray("\n  qlmtool ") + command + ' ')) << command;
    EXPECT_TRUE(r.out.contains("--version"));

    for (const QStringList& args :
         {QStringList{"list", "--help"}, QStringList{"--help", "list"}, QStringList{"-h", "list", "x.mdb"}}) {
        r = Tool(args, QByteArray());
        EXPECT_EQ(r.exitCode, 0) << args.join(' ').toStdString();
        EXPECT_EQ(r.out, "usage: qlmtool list [--json] CATALOGUE\n") << args.join(' ').toStdString();
    }
    r = Tool({"--version"}, QByteArray());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.startsWith("qlmtool ")) << r.out.toStdString();
    EXPECT_TRUE(r.out.trimmed().back() >= '0' && r.out.trimmed().back() <= '9') << r.out.toStdString();

    // A bad command line: the usage on stderr, status 64.
    r = Tool({}, QByteArray());
    EXPECT_EQ(r.exitCode, 64);
    EXPECT_TRUE(r.err.contains("qlmtool convert CATALOGUE --dest DIR"));
    r = Tool({"--password-stdin", "lsit"});
    EXPECT_EQ(r.exitCode, 64);
    EXPECT_TRUE(r.err.contains("lsit"));
    r = Tool({"list", "--password-stdin"});
    EXPECT_EQ(r.exitCode, 64);
    EXPECT_EQ(r.err, "usage: qlmtool list [--json] CATALOGUE\n");
}
