// Building catalogues from real folders of recorder files.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/card/build.h"
#include "app/card/recording.h"
#include "app/catalogue/calllistmodel.h"
#include "app/catalogue/engine.h"
#include "app/prjpublic.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "tests/support/testsupport.h"
#include "tools/recsim.h"

using namespace qlm;

namespace {

void Touch(const QString& path) { test::WriteFile(path, "x"); }

}  // namespace

TEST(NextCatalogueName, SerialFollowsTodaysCatalogues) {
    QTemporaryDir dir;
    const QDate day(2026, 12, 8);
    EXPECT_EQ(NextCatalogueName(dir.path(), day), "C08261.mdb");
    Touch(dir.filePath(QStringLiteral("C08261.mdb")));
    Touch(dir.filePath(QStringLiteral("C08263.mdb")));
    EXPECT_EQ(NextCatalogueName(dir.path(), day), "C08264.mdb");
    Touch(dir.filePath(QStringLiteral("C08265.MDB")));   // letter case counts: not one of ours
    Touch(dir.filePath(QStringLiteral("C07269.mdb")));   // another day
    Touch(dir.filePath(QStringLiteral("C0826.mdb")));    // serial 0
    Touch(dir.filePath(QStringLiteral("C0826x7.mdb")));  // no leading digits: 0
    Touch(dir.filePath(QStringLiteral("C082612abc.mdb")));
    EXPECT_EQ(NextCatalogueName(dir.path(), day), "C082613.mdb");
    // No 16-bit limit on the serial.
    Touch(dir.filePath(QStringLiteral("C0826400000.mdb")));
    EXPECT_EQ(NextCatalogueName(dir.path(), day), "C0826400001.mdb");

    EXPECT_EQ(NextCatalogueName(dir.path(), QDate(2007, 1, 1)), "101071.mdb");
    EXPECT_EQ(NextCatalogueName(dir.path(), QDate(2025, 10, 25)), "A25251.mdb");
    // A catalogue's name never looks like a recording.
    EXPECT_FALSE(MatchesRecordingPattern(NextCatalogueName(dir.path(), day)));
}

TEST(BuildCatalogue, StoresEveryValidRecordingAndSkipsUnreadableOnes) {
    test::AppFolder app;
    QTemporaryDir card;
    Error error;
    ASSERT_EQ(sim::WriteDemoCard(card.path(), &error), 12);
    Touch(card.filePath(QStringLiteral("NOTES.TXT")));
    Touch(card.filePath(QStringLiteral("A2505143.52")));
    Touch(card.filePath(QStringLiteral("A2505146.027")));     // minute 60
    QDir(card.path()).mkdir(QStringLiteral("A2505143.528"));  // a folder, not a file
    // A recording name whose content is no recording (shorter than its
    // header), and one that is no regular file.
    test::WriteFile(card.filePath(QStringLiteral("A2505143.527")), QByteArray(511, '\x55'));
    ASSERT_TRUE(QFile::link(card.filePath(QStringLiteral("gone")), card.filePath(QStringLiteral("A2505143.529"))));

    QStringList unreadable;
    QStringList panel2;
    int repaints = 0;
    BuildHooks hooks;
    hooks.status = [&](int panel, const QString& text) {
        if (panel == 2)
            panel2 << text;
    };
    hooks.unreadable = [&](const QString& path, const Error& e) {
        unreadable << QFileInfo(path).fileName();
        EXPECT_TRUE(e.IsSet());
    };
    hooks.repaint = [&] { ++repaints; };
    CallListModel model;
    const QString expected = card.filePath(NextCatalogueName(card.path()));
    const BuildResult result = BuildCatalogueIn(card.path(), &model, hooks);
    ASSERT_FALSE(result.error.IsSet()) << result.error.description.toStdString();
    EXPECT_EQ(result.rows, 12);
    EXPECT_EQ(result.skipped, 1);
    EXPECT_EQ(result.notRegular, 1);
    EXPECT_EQ(result.listed, 12);
    EXPECT_EQ(unreadable, QStringList{"A2505143.527"});
    EXPECT_EQ(result.path, expected);
    // Returned open; the program-wide state is the caller's to set.
    ASSERT_TRUE(result.database && result.database->IsOpen());
    EXPECT_TRUE(PrjPublicM().CataloguePath.isEmpty());
    EXPECT_TRUE(panel2.contains(LibStr(str::Reading) + " 11524090.507 " + LibStr(str::Ellipsis)));
    EXPECT_EQ(panel2.last(), LibStr(str::ListingCalls));
    EXPECT_GT(repaints, 0);  // the unreadable file's report shows at once

    // The rows read back as the headers say.
    ASSERT_EQ(model.rowCount(), 12);
    bool found = false;
    for (int row = 0; row < model.rowCount(); ++row) {
        const CallRecord& r = model.Record(row);
        if (r.Date == QDate(2024, 10, 25)) {
            found = true;
            EXPECT_EQ(r.Time, QTime(14, 35, 27));
            EXPECT_EQ(r.TelorMic, 2);
            EXPECT_EQ(r.DialString, "4420");
            EXPECT_EQ(r.CallerID, " ");
            EXPECT_EQ(r.Comment, " ");
        }
    }
    EXPECT_TRUE(found);

    // The new catalogue is held exclusively until it is replaced.
    EXPECT_FALSE(Database::Open(result.path, true, &error));
    result.database->Close();
    auto reopened = Database::Open(result.path, true, &error);
    ASSERT_TRUE(reopened);
    auto rows = reopened->OpenRecordset(QStringLiteral("SELECT * FROM qlm WHERE CallerID = '5551234'"), &error);
    int count = 0;
    for (; rows && !rows->AtEnd(); rows->MoveNext())
        ++count;
    EXPECT_EQ(count, 3);
    // Built with the index the searches use, the rows stored as texts.
    auto index =
        reopened->OpenRecordset(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'qlm_date'"), &error);
    ASSERT_TRUE(index && !index->AtEnd());
    EXPECT_TRUE(index->Value(0).toString().contains(QStringLiteral("(Date, Time)")));
    auto texts = reopened->OpenRecordset(
        QStringLiteral("SELECT count(*) FROM qlm WHERE Date = '2024-10-25' AND Time = '14:35:27'"), &error);
    ASSERT_TRUE(texts);
    EXPECT_EQ(texts->Value(0).toInt(), 1);
}

TEST(BuildCatalogue, EmptyFolderAndFailures) {
    test::AppFolder app;
    QTemporaryDir card;
    CallListModel model;
    const BuildResult empty = BuildCatalogueIn(card.path(), &model, {});
    ASSERT_FALSE(empty.error.IsSet());
    EXPECT_EQ(empty.rows, 0);
    EXPECT_EQ(empty.listed, 0);
    EXPECT_TRUE(QFile::exists(empty.path));

    // The second build of the day gets the next serial.
    const BuildResult second = BuildCatalogueIn(card.path(), &model, {});
    ASSERT_FALSE(second.error.IsSet());
    EXPECT_NE(second.path, empty.path);
    EXPECT_TRUE(second.database && second.database->IsOpen());

    // The catalogue cannot be created: nothing returned.
    QDir(card.path()).mkdir(NextCatalogueName(card.path()));
    const BuildResult failed = BuildCatalogueIn(card.path(), &model, {});
    EXPECT_EQ(failed.error.number, dberr::kExists);
    EXPECT_FALSE(failed.database);

    const BuildResult missing = BuildCatalogueIn(card.filePath(QStringLiteral("no-such")), &model, {});
    EXPECT_TRUE(missing.error.IsSet());
    EXPECT_TRUE(missing.path.isEmpty());
}

// A hook's events may close the window's catalogue, or open another, while
// the build still writes: the build keeps its own hold on its database (no
// use after free; run under valgrind or ASan to see), finishes, and leaves
// the window's catalogue as the events left it.
TEST(BuildCatalogue, CatalogueClosedOrReplacedWhileBuilding) {
    test::AppFolder app;
    QTemporaryDir card;
    Error error;
    ASSERT_GT(sim::WriteDemoCard(card.path(), &error), 2);
    CallListModel model;
    for (const bool reopen : {false, true}) {
        PrjPublicM().Reset();
        int calls = 0;
        QString other;
        BuildHooks hooks;
        hooks.status = [&](int, const QString&) {
            if (++calls != 4)
                return;
            // Opening another catalogue replaces the handle without closing.
            if (!reopen) {
                PrjPublicM().CloseCatalogue();
            } else {
                other = card.filePath(QStringLiteral("other.mdb"));
                PrjPublicM().CatalogueDatabase =
                    Database::Create(other, QString::fromLatin1(kGeneralLocale), 0, nullptr);
            }
        };
        const BuildResult result = BuildCatalogueIn(card.path(), &model, hooks);
        EXPECT_FALSE(result.error.IsSet()) << reopen;
        EXPECT_TRUE(PrjPublicM().CataloguePath.isEmpty());
        EXPECT_TRUE(PrjPublicM().RecordingsFolder.isEmpty());
        model.FinishListing();
        EXPECT_GT(result.rows, 2);
        EXPECT_EQ(model.rowCount(), result.rows);
        if (reopen) {
            EXPECT_EQ(PrjPublicM().CatalogueDatabase->Path(), other);
        }
    }
}
