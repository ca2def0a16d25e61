// Comments and call deletion on a real catalogue built from real recorder
// files.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/catalogue/comments.h"
#include "app/card/calldeletion.h"
#include "app/catalogue/deletion.h"
#include "app/catalogue/store.h"
#include "tests/support/cardcatalogue.h"

using namespace qlm;

namespace {

const QVector<QDateTime> kAt = test::FixtureCallTimes();

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
    ASSERT_TRUE(WriteCatalogueComment(c.db(), test::DateText(kAt[1]), test::TimeText(kAt[1]), text, &error, &changed))
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
    ASSERT_TRUE(WriteCatalogueComment(c.db(), test::DateText(kAt[1]), test::TimeText(kAt[1]), QString(), &error));
    EXPECT_EQ(test::CommentsAt(c.db(), kAt[1]), QStringList{" "});
    EXPECT_EQ(CommentBoxText(test::CommentsAt(c.db(), kAt[1]).first()), "");
}

TEST(Comments, EveryRowOfThatMomentGetsItAndRejectedUpdatesStoreNothing) {
    QTemporaryDir card;
    test::CardCatalogue c(card.path());
    test::AddDuplicateRow(c.db(), kAt[3]);
    Error error;
    int changed = 0;
    ASSERT_TRUE(WriteCatalogueComment(c.db(), test::DateText(kAt[3]), test::TimeText(kAt[3]), QStringLiteral("twice"),
                                      &error, &changed));
    EXPECT_EQ(changed, 2);
    EXPECT_EQ(test::CommentsAt(c.db(), kAt[3]), QStringList({"twice", "twice"}));

    // No line selected (empty date and time), an impossible date, no catalogue.
    EXPECT_FALSE(WriteCatalogueComment(c.db(), QString(), QString(), QStringLiteral("lost"), &error));
    EXPECT_TRUE(error.IsSet());
    error.Clear();
    EXPECT_FALSE(WriteCatalogueComment(c.db(), QStringLiteral("02/30/2024"), test::TimeText(kAt[0]),
                                       QStringLiteral("x"), &error));
    EXPECT_TRUE(error.IsSet());
    error.Clear();
    EXPECT_FALSE(
        WriteCatalogueComment(nullptr, test::DateText(kAt[0]), test::TimeText(kAt[0]), QStringLiteral("x"), &error));
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
