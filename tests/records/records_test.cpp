// Comments and call deletion on a real catalogue built from real recorder
// files; the card wipe on a real folder; qlmtool's comment, delete and
// wipe-card as a script would run them.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/card/cardwipe.h"
#include "app/catalogue/comments.h"
#include "app/card/calldeletion.h"
#include "app/catalogue/deletion.h"
#include "app/catalogue/store.h"
#include "tests/records/fixture.h"

using namespace qlm;

namespace {

const QVector<QDateTime> kAt = test::FixtureCallTimes();

QString D(const QDateTime& at) { return at.date().toString(QStringLiteral("MM/dd/yyyy")); }
QString T(const QDateTime& at) { return at.time().toString(QStringLiteral("hh:mm:ss")); }

}  // namespace

TEST(Comments, StatementKeepsItsTextsAndDoublesQuotes) {
    EXPECT_EQ(
        CommentUpdateStatement(QStringLiteral("03/07/2024"), QStringLiteral("09:05:00"), QStringLiteral("call back")),
        "UPDATE qlm  SET Comment= 'call back'WHERE Date =#03/07/2024# AND  Time = #09:05:00#");
    EXPECT_EQ(CommentUpdateStatement(QStringLiteral("03/07/2024"), QStringLiteral("09:05:00"), QString()),
              "UPDATE qlm  SET Comment= ' 'WHERE Date =#03/07/2024# AND  Time = #09:05:00#");
    EXPECT_EQ(CommentUpdateStatement(QStringLiteral("03/07/2024"), QStringLiteral("09:05:00"),
                                     QStringLiteral("Mrs O'Neil's")),
              "UPDATE qlm  SET Comment= 'Mrs O''Neil''s'WHERE Date =#03/07/2024# AND  Time = #09:05:00#");
    EXPECT_EQ(CommentBoxText(QStringLiteral(" ")), "");
    EXPECT_EQ(CommentBoxText(QStringLiteral("  ")), "  ");
}

TEST(Comments, QuotesLineBreaksAndBlanksAreStoredExactly) {
    QTemporaryDir card;
    test::CardCatalogue c(card.path());
    ASSERT_FALSE(c.catalogue.isEmpty());
    const QString text = QStringLiteral("O'Brien called back 'twice'\nsays: 50% off, #1 * ?\r\n  ");
    Error error;
    int changed = 0;
    ASSERT_TRUE(WriteCatalogueComment(c.db(), D(kAt[1]), T(kAt[1]), text, &error, &changed))
        << error.description.toStdString();
    EXPECT_EQ(changed, 1);

    // Reopened from disk, the comment is the typed text; the others are blank.
    CallListModel model;
    ASSERT_GE(c.Reopen(&model), 0);
    EXPECT_EQ(test::CommentsAt(c.db(), kAt[1]), QStringList{text});
    EXPECT_EQ(test::CommentsAt(c.db(), kAt[0]), QStringList{" "});
    EXPECT_EQ(test::CommentsAt(c.db(), kAt[2]), QStringList{" "});

    // And a search on the comment finds it.
    auto found = c.db()->OpenRecordset(QStringLiteral("SELECT * FROM qlm WHERE Comment LIKE '*O''Brien*'"), &error);
    ASSERT_TRUE(found);
    ASSERT_FALSE(found->AtEnd());
    EXPECT_EQ(found->Field(QStringLiteral("Time")).toTime(), kAt[1].time());
    found->MoveNext();
    EXPECT_TRUE(found->AtEnd());

    // An empty box stores the blank, which the box shows empty again.
    ASSERT_TRUE(WriteCatalogueComment(c.db(), D(kAt[1]), T(kAt[1]), QString(), &error));
    EXPECT_EQ(test::CommentsAt(c.db(), kAt[1]), QStringList{" "});
    EXPECT_EQ(CommentBoxText(test::CommentsAt(c.db(), kAt[1]).first()), "");
}

TEST(Comments, EveryRowOfThatMomentGetsItAndRejectedUpdatesStoreNothing) {
    QTemporaryDir card;
    test::CardCatalogue c(card.path());
    test::AddDuplicateRow(c.db(), kAt[3]);
    Error error;
    int changed = 0;
    ASSERT_TRUE(WriteCatalogueComment(c.db(), D(kAt[3]), T(kAt[3]), QStringLiteral("twice"), &error, &changed));
    EXPECT_EQ(changed, 2);
    EXPECT_EQ(test::CommentsAt(c.db(), kAt[3]), QStringList({"twice", "twice"}));

    // No line selected (empty date and time), an impossible date, no catalogue.
    EXPECT_FALSE(WriteCatalogueComment(c.db(), QString(), QString(), QStringLiteral("lost"), &error));
    EXPECT_TRUE(error.IsSet());
    error.Clear();
    EXPECT_FALSE(WriteCatalogueComment(c.db(), QStringLiteral("02/30/2024"), T(kAt[0]), QStringLiteral("x"), &error));
    EXPECT_TRUE(error.IsSet());
    error.Clear();
    EXPECT_FALSE(WriteCatalogueComment(nullptr, D(kAt[0]), T(kAt[0]), QStringLiteral("x"), &error));
    EXPECT_TRUE(error.IsSet());
    for (const QDateTime& at : kAt)
        for (const QString& comment : test::CommentsAt(c.db(), at))
            EXPECT_TRUE(comment == u" " || comment == u"twice") << comment.toStdString();
}

TEST(Deletion, AdjacentSelectedLinesGoWithTheirFilesAndRows) {
    QTemporaryDir card;
    test::CardCatalogue c(card.path());
    ASSERT_EQ(c.model.rowCount(), 5);
    const int first = c.RowOf(kAt[0]);
    const int second = c.RowOf(kAt[1]);
    ASSERT_EQ(std::abs(first - second), 1);  // the build lists them side by side
    c.model.SetChecked(second, true);

    Error error;
    const QVector<CallKey> gone = DeleteListedCalls(c.db(), c.folder, &c.model, {second, first, first}, &error);
    EXPECT_FALSE(error.IsSet()) << error.description.toStdString();
    EXPECT_EQ(gone.size(), 2);
    EXPECT_EQ(c.model.rowCount(), 3);
    EXPECT_FALSE(c.model.AnyChecked());
    EXPECT_EQ(c.RowOf(kAt[0]), -1);
    EXPECT_EQ(c.RowOf(kAt[1]), -1);
    EXPECT_FALSE(QFile::exists(c.FileOf(kAt[0])));
    EXPECT_FALSE(QFile::exists(c.FileOf(kAt[1])));
    for (int i = 2; i < kAt.size(); ++i) {
        EXPECT_NE(c.RowOf(kAt[i]), -1);
        EXPECT_TRUE(QFile::exists(c.FileOf(kAt[i])));
    }
    // The file on disk agrees after reopening.
    CallListModel reopened;
    EXPECT_EQ(c.Reopen(&reopened), 3);
    EXPECT_TRUE(test::CommentsAt(c.db(), kAt[0]).isEmpty());
    EXPECT_TRUE(test::CommentsAt(c.db(), kAt[1]).isEmpty());
    EXPECT_EQ(test::CommentsAt(c.db(), kAt[2]).size(), 1);
}

TEST(Deletion, MissingFileDuplicateRowsAndCallsOutsideTheList) {
    QTemporaryDir card;
    test::CardCatalogue c(card.path());
    test::AddDuplicateRow(c.db(), kAt[3]);
    ASSERT_TRUE(QFile::remove(c.FileOf(kAt[4])));  // never copied, say

    // The list holds only a search's result: calls 3 and 4.
    CallListModel result;
    result.Append({c.model.Record(c.RowOf(kAt[3])), c.model.Record(c.RowOf(kAt[4]))});
    Error error;
    DeleteListedCalls(c.db(), c.folder, &result, {0, 1}, &error);
    EXPECT_FALSE(error.IsSet());
    EXPECT_EQ(result.rowCount(), 0);
    EXPECT_TRUE(test::CommentsAt(c.db(), kAt[3]).isEmpty());  // both rows of that moment
    EXPECT_TRUE(test::CommentsAt(c.db(), kAt[4]).isEmpty());
    EXPECT_FALSE(QFile::exists(c.FileOf(kAt[3])));
    EXPECT_EQ(test::RowCount(c.db()), 3);  // the calls outside the list stay
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(QFile::exists(c.FileOf(kAt[i])));

    // Nothing selected, and a call named by empty texts: nothing goes.
    DeleteListedCalls(c.db(), c.folder, &c.model, {}, &error);
    EXPECT_EQ(DeleteCatalogueRows(c.db(), {{QString(), QString()}}, &error), 0);
    EXPECT_EQ(test::RowCount(c.db()), 3);
}

TEST(CardWipe, OnlyTheRecordersFilesGoWhateverTheirMarks) {
    QTemporaryDir card;
    const QString f = card.path();
    QStringList recordings;
    for (const QDateTime& at : test::FixtureCallTimes())
        recordings << sim::WriteRecording(f, {at, QStringLiteral("5550100"), flag::kLine, sim::FillerPayload(100)});
    QFile::setPermissions(recordings[0], QFile::ReadOwner | QFile::ReadGroup);  // read-only mark
    const QStringList others = {QStringLiteral("PHOTO001.JPG"), QStringLiteral("ABCDEFGH.XYZ"),
                                QStringLiteral("NOTES01.TXT"), QStringLiteral("C03071.mdb"), QStringLiteral("readme")};
    for (const QString& name : others)
        test::WriteFile(JoinPath(f, name), "keep me");
    // A folder shaped like a recording, holding one: folders are never entered.
    const QString sub = JoinPath(f, QStringLiteral("M0724090.500"));
    QDir().mkpath(sub);
    const QString inner = sim::WriteRecording(sub, {kAt[0], QStringLiteral("1"), flag::kLine, sim::FillerPayload(50)});

    Error error;
    EXPECT_EQ(CardRecordingNames(f, &error).size(), 5);
    const CardWipeResult result = DeleteCardRecordingsIn(f);
    EXPECT_FALSE(result.error.IsSet());
    EXPECT_TRUE(result.failed.isEmpty());
    EXPECT_EQ(result.deleted.size(), 5);
    for (const QString& path : recordings)
        EXPECT_FALSE(QFile::exists(path)) << path.toStdString();
    for (const QString& name : others)
        EXPECT_EQ(test::ReadFile(JoinPath(f, name)), "keep me") << name.toStdString();
    EXPECT_TRUE(QFile::exists(inner));

    // A folder that is not there: reported, nothing else happens.
    const CardWipeResult missing = DeleteCardRecordingsIn(JoinPath(f, QStringLiteral("gone")));
    EXPECT_TRUE(missing.error.IsSet());
    SetAttributesIfExists(JoinPath(f, QStringLiteral("gone")), kArchiveAttribute);
    EXPECT_FALSE(QFile::exists(JoinPath(f, QStringLiteral("gone"))));
}

TEST(CardWipe, WriteProtectedCardIsSkippedFileByFile) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root deletes from any folder";
    QTemporaryDir card;
    const QString path = sim::WriteRecording(card.path(), {kAt[0], QString(), flag::kLine, sim::FillerPayload(10)});
    const QString path2 = sim::WriteRecording(card.path(), {kAt[1], QString(), flag::kLine, sim::FillerPayload(10)});
    const auto writable = QFile::permissions(card.path());
    QFile::setPermissions(card.path(), QFile::ReadOwner | QFile::ExeOwner);
    const CardWipeResult result = DeleteCardRecordingsIn(card.path());
    QFile::setPermissions(card.path(), writable);
    EXPECT_EQ(result.failed.size(), 2);
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_TRUE(QFile::exists(path2));
}

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

    auto r = run({QStringLiteral("comment"), cat, D(kAt[2]), T(kAt[2]), QStringLiteral("it's\nme")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    r = run({QStringLiteral("comment"), cat, D(kAt[2]), QStringLiteral("08:00:00"), QStringLiteral("x")});
    EXPECT_EQ(r.exitCode, 1);  // no call then
    r = run({QStringLiteral("comment"), cat, QStringLiteral("2024-03-07"), T(kAt[2]), QStringLiteral("x")});
    EXPECT_EQ(r.exitCode, 64);
    r = run({QStringLiteral("delete"), cat, D(kAt[1]), T(kAt[1])}, "not the password\n");
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(QFile::exists(c.FileOf(kAt[1])));

    r = run({QStringLiteral("delete"), cat, D(kAt[0]), T(kAt[0]), D(kAt[3]), T(kAt[3])});
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
