// Deleting a call takes that call alone, its recording to the trash, and a
// deletion whose rows could not go is completed at the next open.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/card/calldeletion.h"
#include "app/catalogue/calllistmodel.h"
#include "app/catalogue/engine.h"
#include "app/catalogue/store.h"
#include "tests/support/cardcatalogue.h"
#include "tests/support/cardfiles.h"

using namespace qlm;

namespace {

// Deleted recordings land in a trash of the test's own.
class TrashedHere {
public:
    TrashedHere() : saved_(qgetenv("XDG_DATA_HOME")) { qputenv("XDG_DATA_HOME", QFile::encodeName(data_.path())); }
    ~TrashedHere() { saved_.isEmpty() ? qunsetenv("XDG_DATA_HOME") : qputenv("XDG_DATA_HOME", saved_); }
    QString Trashed(const QString& name) const { return JoinPath(data_.path(), QStringLiteral("Trash/files/") + name); }

private:
    QTemporaryDir data_;
    QByteArray saved_;
};

QString OnlyCatalogue(const QString& folder) {
    const QStringList found = QDir(folder).entryList({QStringLiteral("*.mdb")}, QDir::Files);
    return found.size() == 1 ? JoinPath(folder, found.first()) : QString();
}

QStringList FilesOfRows(Database* db) {
    QStringList files;
    auto rows = db->OpenRecordset(QStringLiteral("SELECT file FROM qlm_recording ORDER BY file"), nullptr);
    for (; rows && !rows->AtEnd(); rows->MoveNext())
        files << rows->Value(0).toString();
    return files;
}

}  // namespace

TEST(CallDeletion, OneOfTwoCallsOfOneMomentGoesAloneAndToTheTrash) {
    TrashedHere trash;
    QTemporaryDir folder;
    const QString upper = QStringLiteral("B1124101.010"), lower = QStringLiteral("b1124101.010");
    const QString wrote =
        sim::WriteRecording(folder.path(), {QDateTime(QDate(2024, 11, 11), QTime(10, 10, 10)),
                                            QStringLiteral("5550001"), flag::kLine, sim::FillerPayload(900)});
    ASSERT_EQ(QFileInfo(wrote).fileName(), upper);
    test::WriteFile(JoinPath(folder.path(), lower),
                    MakeRecordingHeader(QStringLiteral("5550002"), flag::kLine) + sim::FillerPayload(700));
    const QString third =
        sim::WriteRecording(folder.path(), {QDateTime(QDate(2024, 11, 12), QTime(9, 0, 0)), QStringLiteral("5550003"),
                                            flag::kLine, sim::FillerPayload(500)});
    ASSERT_EQ(test::Qlmtool({QStringLiteral("build"), folder.path()}).exitCode, 0);
    const QString catalogue = OnlyCatalogue(folder.path());
    ASSERT_FALSE(catalogue.isEmpty());

    // The shared moment names no single call: refused, both files named, nothing gone.
    test::RunResult r =
        test::Qlmtool({QStringLiteral("delete"), catalogue, QStringLiteral("11/11/2024"), QStringLiteral("10:10:10")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(upper.toLatin1()) && r.err.contains(lower.toLatin1())) << r.err.toStdString();
    EXPECT_TRUE(QFile::exists(JoinPath(folder.path(), upper)) && QFile::exists(JoinPath(folder.path(), lower)));

    // By its file, that call alone: one row, its file to the trash.
    r = test::Qlmtool({QStringLiteral("delete"), catalogue, lower});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("1 catalogue row(s) deleted")) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("11/11/2024\t10:10:10\tb1124101.010\tdeleted")) << r.out.toStdString();
    EXPECT_FALSE(QFile::exists(JoinPath(folder.path(), lower)));
    EXPECT_TRUE(QFile::exists(trash.Trashed(lower)));
    EXPECT_TRUE(QFile::exists(JoinPath(folder.path(), upper)));

    // The window's Delete of the listed upper-case call takes it alone too.
    CallListModel model;
    Error error;
    const OpenedCatalogue opened = OpenCatalogueFile(catalogue, &model, &error);
    ASSERT_TRUE(opened) << error.description.toStdString();
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(FilesOfRows(opened.database.get()), (QStringList{upper, QFileInfo(third).fileName()}));
    const int row = model.Record(0).File == upper ? 0 : 1;
    EXPECT_EQ(DeleteListedCalls(opened.database.get(), folder.path(), &model, {row}, &error).size(), 1);
    EXPECT_FALSE(error.IsSet());
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(FilesOfRows(opened.database.get()), QStringList{QFileInfo(third).fileName()});
    EXPECT_TRUE(QFile::exists(third));
    EXPECT_TRUE(QFile::exists(trash.Trashed(upper)));

    // A catalogue that names a file outside the folder for its call: the
    // row goes, the file stays.
    QTemporaryDir elsewhere;
    const QString outside = JoinPath(elsewhere.path(), QStringLiteral("B1224101.010"));
    test::WriteFile(outside, "not the library's");
    const QString named = QDir(folder.path()).relativeFilePath(outside);
    ASSERT_TRUE(opened.database->Execute(
        QStringLiteral("UPDATE qlm_recording SET file = '%1'").arg(QString(named).replace(u'\'', QStringLiteral("''"))),
        &error));
    const DeletionResult hostile = DeleteCalls(opened.database.get(), folder.path(),
                                               {{QString(), QString(), model.Record(0).Id, named}}, Disposal::Remove);
    EXPECT_EQ(hostile.calls.first().state, CallOutcome::Skipped);
    EXPECT_EQ(hostile.rows, 1);
    EXPECT_EQ(test::ReadFile(outside), "not the library's");
    EXPECT_TRUE(QFile::exists(third));
}

// Rows that could not be deleted after their recordings went keep the
// journal; the next open deletes them, and only them.
TEST(CallDeletion, AJournalLeftBehindIsCompletedAtTheNextOpen) {
    TrashedHere trash;
    QTemporaryDir card;
    test::CardCatalogue c(card.path());
    const QVector<QDateTime> at = test::FixtureCallTimes();
    Error error;
    // A write that fails as a full disk or a damaged page would.
    ASSERT_TRUE(c.db()->Execute(QStringLiteral("CREATE TRIGGER hold BEFORE DELETE ON qlm BEGIN "
                                               "SELECT RAISE(ABORT, 'the disk is full'); END"),
                                &error));
    const QVector<CallKey> keys = {{test::DateText(at[0]), test::TimeText(at[0])},
                                   {test::DateText(at[3]), test::TimeText(at[3])}};
    const DeletionResult failed = DeleteCalls(c.db(), c.folder, keys, Disposal::Remove);
    EXPECT_TRUE(failed.error.IsSet());
    EXPECT_FALSE(QFile::exists(c.FileOf(at[0])));
    EXPECT_TRUE(QFile::exists(DeletionJournalPath(c.catalogue)));
    EXPECT_EQ(test::RowCount(c.db()), 5);
    // Until the rows can go, the journal stays; then the next open takes them.
    EXPECT_FALSE(FinishDeletions(c.db(), c.folder, &error));
    EXPECT_TRUE(QFile::exists(DeletionJournalPath(c.catalogue)));
    ASSERT_TRUE(c.db()->Execute(QStringLiteral("DROP TRIGGER hold"), &error));
    c.database->Close();
    auto db = Database::Open(c.catalogue, true, &error);
    ASSERT_TRUE(db);
    error.Clear();
    EXPECT_TRUE(FinishDeletions(db.get(), c.folder, &error)) << error.description.toStdString();
    EXPECT_FALSE(QFile::exists(DeletionJournalPath(c.catalogue)));
    EXPECT_EQ(test::RowCount(db.get()), 3);
    EXPECT_TRUE(test::CommentsAt(db.get(), at[0]).isEmpty());
    EXPECT_TRUE(test::CommentsAt(db.get(), at[3]).isEmpty());
    for (int i : {1, 2, 4})
        EXPECT_TRUE(QFile::exists(c.FileOf(at[i])));
    // A second open finds nothing left to do.
    EXPECT_TRUE(FinishDeletions(db.get(), c.folder, &error));
    EXPECT_EQ(test::RowCount(db.get()), 3);
}
