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
    // Deleted recordings go to a trash of the test's own.
    QTemporaryDir data;
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    struct Restore {
        QByteArray value;
        ~Restore() { value.isEmpty() ? qunsetenv("XDG_DATA_HOME") : qputenv("XDG_DATA_HOME", value); }
    } restoreDataHome{dataHome};
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
    EXPECT_TRUE(
        QFile::exists(JoinPath(data.path(), QStringLiteral("Trash/files/") + QFileInfo(c.FileOf(kAt[0])).fileName())));

    {
        Error error;
        auto db = Database::Open(cat, true, &error);
        ASSERT_TRUE(db);
        EXPECT_EQ(test::CommentsAt(db.get(), kAt[2]), QStringList{"it's\nme"});
        EXPECT_TRUE(test::CommentsAt(db.get(), kAt[0]).isEmpty());
        EXPECT_EQ(test::RowCount(db.get()), 3);
    }

    // Without a library to compare with, nothing is deleted.
    QTemporaryDir library;
    r = run({QStringLiteral("wipe-card"), card.path(), QStringLiteral("--yes")});
    EXPECT_EQ(r.exitCode, 64);
    EXPECT_TRUE(QFile::exists(c.FileOf(kAt[1])));
    // Without --yes and without a terminal to ask on, nothing is deleted.
    r = run({QStringLiteral("wipe-card"), card.path(), QStringLiteral("--library"), library.path()}, "\ny\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(QFile::exists(c.FileOf(kAt[1])));
    // Two of the three left were copied; the third stays on the card.
    for (int i : {1, 2})
        ASSERT_TRUE(QFile::copy(c.FileOf(kAt[i]), JoinPath(library.path(), QFileInfo(c.FileOf(kAt[i])).fileName())));
    r = run({QStringLiteral("wipe-card"), card.path(), QStringLiteral("--library"), library.path(),
             QStringLiteral("--yes")});
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    EXPECT_EQ(r.out.count("\tdeleted\n"), 2);
    EXPECT_EQ(r.out.count("\tnot in library\n"), 1);
    EXPECT_TRUE(r.err.contains("1 recordings were not deleted because they are not in the library"));
    EXPECT_FALSE(QFile::exists(c.FileOf(kAt[1])));
    EXPECT_FALSE(QFile::exists(c.FileOf(kAt[2])));
    EXPECT_TRUE(QFile::exists(c.FileOf(kAt[4])));
    EXPECT_TRUE(QFile::exists(JoinPath(card.path(), QStringLiteral("PHOTO001.JPG"))));
    EXPECT_TRUE(QFile::exists(cat));
}
