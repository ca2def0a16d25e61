// qlmtool's comment, delete and wipe-card as a script would run them, on a
// real catalogue built from real recorder files.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "tests/support/cardcatalogue.h"

using namespace qlm;

namespace {

const QVector<QDateTime> kAt = test::FixtureCallTimes();

}  // namespace

TEST(Cli, CommentDeleteAndWipeCardAsAScriptRunsThem) {
    QTemporaryDir card;
    test::CardCatalogue c(card.path());
    const QString cat = c.catalogue;
    test::WriteFile(JoinPath(card.path(), QStringLiteral("PHOTO001.JPG")), "jpeg");
    c.database->Close();  // qlmtool opens it exclusively
    // qlmtool in a fresh application folder of its own: no password yet.
    QTemporaryDir install;
    const QString tool = JoinPath(install.path(), QStringLiteral("qlmtool"));
    ASSERT_TRUE(QFile::copy(test::BuiltPath(QStringLiteral("qlmtool")), tool));
    const auto run = [&](QStringList args, const QByteArray& input = "\n") {
        args.insert(1, QStringLiteral("--password-stdin"));
        return test::Run(tool, args, input);
    };

    auto r = run(
        {QStringLiteral("comment"), cat, test::DateText(kAt[2]), test::TimeText(kAt[2]), QStringLiteral("it's\nme")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    r = run({QStringLiteral("comment"), cat, test::DateText(kAt[2]), QStringLiteral("08:00:00"), QStringLiteral("x")});
    EXPECT_EQ(r.exitCode, 1);  // no call then
    r = run(
        {QStringLiteral("comment"), cat, QStringLiteral("2024-03-07"), test::TimeText(kAt[2]), QStringLiteral("x")});
    EXPECT_EQ(r.exitCode, 64);
    r = run({QStringLiteral("delete"), cat, test::DateText(kAt[1]), test::TimeText(kAt[1])}, "not the password\n");
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(QFile::exists(c.FileOf(kAt[1])));

    r = run({QStringLiteral("delete"), cat, test::DateText(kAt[0]), test::TimeText(kAt[0]), test::DateText(kAt[3]),
             test::TimeText(kAt[3])});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.count('\n'), 2);
    EXPECT_FALSE(QFile::exists(c.FileOf(kAt[0])));
    EXPECT_FALSE(QFile::exists(c.FileOf(kAt[3])));

    {
        Error error;
        auto db = Database::Open(cat, true, &error);
        ASSERT_TRUE(db);
        EXPECT_EQ(test::CommentsAt(db.get(), kAt[2]), QStringList{"it's\nme"});
        EXPECT_TRUE(test::CommentsAt(db.get(), kAt[0]).isEmpty());
        EXPECT_EQ(test::RowCount(db.get()), 3);
    }

    // Without --yes and without a terminal to ask on, nothing is deleted.
    r = run({QStringLiteral("wipe-card"), card.path()}, "\ny\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(QFile::exists(c.FileOf(kAt[1])));
    r = run({QStringLiteral("wipe-card"), card.path(), QStringLiteral("--yes")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.count('\n'), 3);
    for (const QDateTime& at : kAt)
        EXPECT_FALSE(QFile::exists(c.FileOf(at)));
    EXPECT_TRUE(QFile::exists(JoinPath(card.path(), QStringLiteral("PHOTO001.JPG"))));
    EXPECT_TRUE(QFile::exists(cat));
}
