// The store on real folders and real catalogue files: work folder, opening
// a catalogue into the list model, check boxes.
#include <gtest/gtest.h>

#include <algorithm>

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "app/catalogue/calllistmodel.h"
#include "app/catalogue/engine.h"
#include "app/catalogue/store.h"
#include "app/prjpublic.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "tests/support/catalogue.h"
#include "tests/support/testsupport.h"

using namespace qlm;

namespace {

// A catalogue of n calls, one a minute from 1 January 2024, as the build
// writes them.
void WriteCatalogue(const QString& path, int n) {
    QVector<CallRecord> calls;
    const QDateTime start(QDate(2024, 1, 1), QTime(0, 0, 0));
    for (int i = 0; i < n; ++i) {
        const QDateTime at = start.addSecs(60LL * i);
        CallRecord c = test::Call(at.date(), at.time(), QString::number(1000 + i), QString(), 0,
                                  static_cast<qint16>(i % 3), static_cast<qint16>(i % 2), 1);
        c.Duration = i % 500;
        calls << c;
    }
    const QString error = test::WriteCatalogue(path, calls);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
}

}  // namespace

TEST(Store, FolderHelpersAndWorkFolder) {
    EXPECT_EQ(FolderOf(QStringLiteral("C:\\rec\\A.mdb")), "C:\\rec\\");
    EXPECT_EQ(FolderOf(QStringLiteral("/home/u/rec/A.mdb")), "/home/u/rec/");
    EXPECT_EQ(FolderOf(QStringLiteral("A.mdb")), "");
    EXPECT_EQ(FolderOf(QStringLiteral("/a\\b/c")), "/a\\b/");

    test::AppFolder app;
    const QString temp = GetTempFolder();
    EXPECT_EQ(FolderOf(temp.chopped(1)), app.path() + QStringLiteral("/temp/"));  // this process's folder in it
    ASSERT_TRUE(QDir(temp).exists());
    test::WriteFile(temp + QStringLiteral("a.wav"), "x");
    test::WriteFile(temp + QStringLiteral(".hidden"), "x");
    QDir(temp).mkdir(QStringLiteral("keep"));
    test::WriteFile(temp + QStringLiteral("keep/inner.wav"), "x");
    DeleteFilesIn(temp);
    EXPECT_EQ(QDir(temp).entryList(QDir::Files | QDir::Hidden).size(), 0);
    EXPECT_TRUE(QFile::exists(temp + QStringLiteral("keep/inner.wav")));
    DeleteFilesIn(app.path() + QStringLiteral("/no-such-folder/"));  // nothing to do, no failure
}

TEST(Store, OpenCatalogueListsEveryRowBeyondSixteenBits) {
    test::AppFolder app;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("C08261.mdb"));
    WriteCatalogue(path, 40000);
    CallListModel model;
    Error error;
    // As the window opens a file: the one open before is closed first.
    OpenedCatalogue opened;
    const auto open = [&] {
        if (opened.database)
            opened.database->Close();
        opened = OpenCatalogueFile(path, &model, &error);
        return bool(opened);
    };
    ASSERT_TRUE(open()) << error.description.toStdString();
    EXPECT_EQ(opened.listed, 40000);
    // Every line counted at once; read in steps from the event loop, and at
    // once when a line is asked for.
    EXPECT_EQ(model.rowCount(), 40000);
    ASSERT_TRUE(model.Listing());
    EXPECT_EQ(model.LinesRead(), 0);
    EXPECT_EQ(model.data(model.index(30000, kColCallerID)).toString(), "31000");
    EXPECT_LT(model.LinesRead(), 40000);
    QSignalSpy finished(&model, &CallListModel::ListingFinished);
    ASSERT_TRUE(finished.wait(60000));
    EXPECT_EQ(finished.at(0).at(0).toInt(), 40000);
    EXPECT_EQ(model.LinesRead(), 40000);
    EXPECT_EQ(opened.path, path);
    EXPECT_EQ(opened.recordingsFolder, dir.path() + u'/');

    // Lines in the engine's order with the shown texts.
    EXPECT_EQ(model.data(model.index(0, kColDate)).toString(), "01/01/2024");
    EXPECT_EQ(model.data(model.index(61, kColTime)).toString(), "01:01:00");
    EXPECT_EQ(model.data(model.index(39999, kColCallerID)).toString(), "40999");
    EXPECT_EQ(model.data(model.index(2, kColTelMic)).toString(), LibStr(str::VoiceActivated));
    EXPECT_EQ(model.data(model.index(2, kColInOut)).toString(), " ");
    EXPECT_EQ(model.data(model.index(0, kColInOut)).toString(), LibStr(str::Incoming));
    EXPECT_EQ(model.headerData(kColDuration, Qt::Horizontal).toString(), LibStr(str::Duration));

    // Opening the same file again works: the first handle goes first.
    model.Clear();
    ASSERT_TRUE(open()) << error.description.toStdString();
    EXPECT_EQ(opened.listed, 40000);

    // Before the steps are done: check-all, sorting and removing a line take
    // in every call first; clearing drops the rest.
    model.SetChecked(1, true);
    model.SetAllChecked(true);
    EXPECT_FALSE(model.Listing());
    EXPECT_EQ(model.CheckedRows().size(), 40000);
    ASSERT_TRUE(open());
    model.sort(kColCallerID, Qt::DescendingOrder);
    ASSERT_EQ(model.rowCount(), 40000);
    EXPECT_EQ(model.Record(0).CallerID, "9999");
    ASSERT_TRUE(open());
    model.RemoveLine(0);
    EXPECT_EQ(model.rowCount(), 39999);
    ASSERT_TRUE(open());
    model.Clear();
    QCoreApplication::processEvents();
    EXPECT_EQ(model.rowCount(), 0);

    // The catalogue closed under a listing (sign-out): it ends with the lines
    // it had read.
    ASSERT_TRUE(open());
    EXPECT_EQ(model.Record(99).CallerID, "1099");
    const int read = model.LinesRead();
    opened.database->Close();
    finished.clear();
    EXPECT_TRUE(model.Record(39999).CallerID.isEmpty());  // not read, and no failure
    ASSERT_TRUE(finished.wait(60000));
    EXPECT_EQ(model.rowCount(), read);
}

namespace {

// The catalogue's index names, and the numbers of the calls a statement
// finds, in numeric order.
QStringList IndexesOf(Database* db) {
    QStringList names;
    auto rows = db->OpenRecordset(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index'"), nullptr);
    for (; rows && !rows->AtEnd(); rows->MoveNext())
        names << rows->Value(0).toString();
    return names;
}

std::vector<long long> Found(Database* db, const QString& statement) {
    std::vector<long long> numbers;
    Error error;
    auto rows = db->OpenRecordset(statement, &error);
    EXPECT_TRUE(rows) << error.description.toStdString();
    for (; rows && !rows->AtEnd(); rows->MoveNext())
        numbers.push_back(rows->Field(QStringLiteral("CallerID")).toString().toLongLong());
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

}  // namespace

TEST(Store, OpeningGivesTheDateIndexAndSearchesFindTheSame) {
    test::AppFolder app;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("C08262.mdb"));
    WriteCatalogue(path, 6000);  // 1 January 2024 00:00 to 5 January 03:59
    // The shapes the search panel makes: a date range, a range with more
    // conditions, everything joined by OR.
    const QString range = QStringLiteral(
        "SELECT * FROM qlm WHERE   Date BETWEEN #2024-1-2# AND #2024-1-3# AND Time BETWEEN #0:0:0# AND #23:59:59#");
    const QStringList statements = {
        range,
        range + QStringLiteral(" AND CallerID LIKE '3*'  AND  InorOut = 0  AND  TelorMic = 0  AND  Saved = 1 "),
        QStringLiteral("SELECT * FROM qlm WHERE   Date BETWEEN #2024-1-4# AND #2024-1-4# OR Time BETWEEN #9:0:0# AND "
                       "#9:30:0# OR  ( CallerID = '1234'  OR  DialString LIKE '0800*'  )  OR Comment = 'urgent' "),
    };
    std::vector<std::vector<long long>> before;
    {
        Error error;
        auto db = Database::Open(path, true, &error);
        ASSERT_TRUE(db);
        EXPECT_TRUE(IndexesOf(db.get()).isEmpty());
        for (const QString& statement : statements)
            before.push_back(Found(db.get(), statement));
    }
    EXPECT_EQ(before[0].size(), 2880u);

    CallListModel model;
    Error error;
    OpenedCatalogue opened = OpenCatalogueFile(path, &model, &error);
    ASSERT_TRUE(opened) << error.description.toStdString();
    Database* db = opened.database.get();
    EXPECT_EQ(IndexesOf(db), QStringList{QStringLiteral("qlm_date")});
    for (int i = 0; i < statements.size(); ++i)
        EXPECT_EQ(Found(db, statements[i]), before[size_t(i)]) << statements[i].toStdString();
    auto plan = db->OpenRecordset(QStringLiteral("EXPLAIN QUERY PLAN ") + TranslateStatement(range, nullptr), nullptr);
    ASSERT_TRUE(plan);
    EXPECT_TRUE(plan->Value(3).toString().contains(QStringLiteral("qlm_date")))
        << plan->Value(3).toString().toStdString();
    plan.reset();
    opened.database->Close();

    // A catalogue that cannot be written now (another reader holds it) opens
    // and reads as before, without the index.
    const QString other = dir.filePath(QStringLiteral("C08263.mdb"));
    WriteCatalogue(other, 10);
    auto reader = Database::Open(other, false, &error);
    auto open = Database::Open(other, false, &error);
    ASSERT_TRUE(reader && open);
    auto reading = reader->OpenRecordset(QString::fromLatin1(kSelectAllCalls), &error);
    ASSERT_TRUE(reading);
    EnsureCatalogueIndexes(open.get());
    EXPECT_TRUE(IndexesOf(open.get()).isEmpty());
    EXPECT_EQ(Found(open.get(), QString::fromLatin1(kSelectAllCalls)).size(), 10u);
    reading.reset();
    EnsureCatalogueIndexes(open.get());
    EXPECT_EQ(IndexesOf(open.get()), QStringList{QStringLiteral("qlm_date")});
}

TEST(Store, OpenCatalogueFailures) {
    test::AppFolder app;
    QTemporaryDir dir;
    CallListModel model;
    Error error;

    // A database without table qlm: opened, but not listed.
    const QString other = dir.filePath(QStringLiteral("other.mdb"));
    {
        auto db = Database::Create(other, QString(), 0, &error);
        ASSERT_TRUE(db);
    }
    OpenedCatalogue opened = OpenCatalogueFile(other, &model, &error);
    EXPECT_FALSE(opened);
    EXPECT_EQ(error.number, dberr::kNoTable);
    EXPECT_TRUE(opened.database);
    EXPECT_EQ(opened.path, other);

    const QString text = dir.filePath(QStringLiteral("notes.mdb"));
    test::WriteFile(text, QByteArray(4096, 'n'));
    opened = OpenCatalogueFile(text, &model, &error);
    EXPECT_FALSE(opened);
    EXPECT_EQ(error.number, dberr::kNotDatabase);
    EXPECT_FALSE(opened.database);
    EXPECT_EQ(opened.recordingsFolder, dir.path() + u'/');

    // A catalogue open elsewhere stays out of reach until it is closed.
    const QString held = dir.filePath(QStringLiteral("held.mdb"));
    WriteCatalogue(held, 3);
    auto holder = Database::Open(held, true, &error);
    ASSERT_TRUE(holder);
    EXPECT_FALSE(OpenCatalogueFile(held, &model, &error));
    EXPECT_EQ(error.number, dberr::kInUse);
    holder.reset();
    opened = OpenCatalogueFile(held, &model, &error);
    EXPECT_TRUE(opened);
    EXPECT_EQ(opened.listed, 3);
}

TEST(CallListModel, CheckBoxesThroughTheModel) {
    test::AppFolder app;
    CallListModel model;
    QVector<CallRecord> records(3);
    records[1].CallerID = QStringLiteral("b");
    records[2].Duration = 5;
    model.Append(records);
    ASSERT_EQ(model.columnCount(), 11);
    EXPECT_TRUE(model.flags(model.index(0, 0)) & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(model.flags(model.index(0, 1)) & Qt::ItemIsUserCheckable);
    QSignalSpy spy(&model, &CallListModel::CheckChanged);
    EXPECT_TRUE(model.setData(model.index(2, 0), Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(model.data(model.index(2, 0), Qt::CheckStateRole).toInt(), int(Qt::Checked));
    EXPECT_TRUE(model.AnyChecked());
    EXPECT_EQ(model.CheckedRows(), QVector<int>{2});
    EXPECT_EQ(spy.count(), 1);
    EXPECT_FALSE(model.setData(model.index(2, 3), Qt::Checked, Qt::CheckStateRole));
    model.setData(model.index(2, 0), Qt::Unchecked, Qt::CheckStateRole);
    EXPECT_FALSE(model.AnyChecked());
    model.SetAllChecked(true);
    EXPECT_EQ(model.CheckedRows().size(), 3);

    // Sorting keeps each line's check box with its call.
    model.SetChecked(0, false);
    model.sort(kColDuration, Qt::DescendingOrder);
    EXPECT_EQ(model.Record(0).Duration, 5);
    EXPECT_TRUE(model.IsChecked(0));
    model.sort(kColCallerID, Qt::AscendingOrder);
    EXPECT_EQ(model.Record(2).CallerID, "b");
    EXPECT_EQ(model.CheckedRows().size(), 2);
    model.Clear();
    EXPECT_FALSE(model.AnyChecked());
}
