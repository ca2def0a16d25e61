// Building a catalogue when things go wrong: the card pulled in the middle,
// the build process killed outright. Afterwards the catalogue still opens and
// the next build works.
#include <csignal>

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "app/card/build.h"
#include "app/card/recording.h"
#include "app/catalogue/engine.h"
#include "app/prjpublic.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "tests/support/cardfiles.h"
#include "tests/support/testsupport.h"

using namespace qlm;

namespace {

qint64 Short(int) { return 2000; }

// Rows of the catalogue file, or -1 when it does not open as a catalogue.
int CountRows(const QString& path, Error* error) {
    auto db = Database::Open(path, true, error);
    auto rows = db ? db->OpenRecordset(QStringLiteral("SELECT count(*) AS n FROM qlm"), error) : nullptr;
    return rows ? rows->Field(QStringLiteral("n")).toInt() : -1;
}

QStringList Catalogues(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("*.mdb")}, QDir::Files, QDir::Name);
}

struct Build {
    BuildResult result;
    QStringList unreadable;
};

// Builds in the folder; after the row numbered pullAfter is stored, pull()
// runs once.
Build BuildWithPull(const QString& folder, int pullAfter, const std::function<void()>& pull) {
    Build build;
    int stored = 0;
    BuildHooks hooks;
    const QString rowDone = LibStr(str::ListingCalls);
    hooks.status = [&](int panel, const QString& text) {
        if (panel == 2 && text == rowDone && ++stored == pullAfter)
            pull();
    };
    hooks.unreadable = [&](const QString& path, const Error&) { build.unreadable << path; };
    build.result = BuildCatalogueIn(folder, nullptr, hooks);
    if (build.result.database)
        build.result.database->Close();
    return build;
}

}  // namespace

// The card taken out (its folder moved away) after four rows: the rest is
// reported as unreadable, the four rows are kept, and the catalogue, which
// went with the folder, opens.
TEST(BuildFaults, CardMovedAwayDuringTheBuild) {
    test::AppFolder app;
    QTemporaryDir dir;
    const QString card = dir.filePath("card"), moved = dir.filePath("elsewhere");
    const QStringList names = test::WriteCard(card, 10, Short);
    const auto recordings = test::Snapshot(card);

    const Build build = BuildWithPull(card, 4, [&] { ASSERT_TRUE(QDir().rename(card, moved)); });
    EXPECT_EQ(build.result.rows, 4);
    EXPECT_EQ(build.result.skipped, 6);
    ASSERT_EQ(build.unreadable.size(), 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(build.unreadable[i], card + u'/' + names[4 + i]);

    const QStringList catalogues = Catalogues(moved);
    ASSERT_EQ(catalogues.size(), 1);
    Error error;
    EXPECT_EQ(CountRows(moved + u'/' + catalogues[0], &error), 4) << error.description.toStdString();
    // The recordings themselves are untouched, and nothing new carries a
    // recording's name.
    // The engine's journal may stay beside it, emptied: the engine could no
    // longer reach it under the old folder's name to remove it. It holds no
    // transaction (the rows above were counted through it).
    auto after = test::Snapshot(moved);
    after.remove(catalogues[0]);
    after.remove(catalogues[0] + "-journal");
    EXPECT_EQ(after, recordings);
}

// The card folder deleted outright: the build ends with the rest reported,
// without a crash, and a later build in a folder of that name works.
TEST(BuildFaults, CardFolderDeletedDuringTheBuild) {
    test::AppFolder app;
    QTemporaryDir dir;
    const QString card = dir.filePath("card");
    test::WriteCard(card, 10, Short);

    const Build build = BuildWithPull(card, 3, [&] { ASSERT_TRUE(QDir(card).removeRecursively()); });
    EXPECT_EQ(build.result.rows, 3);
    EXPECT_EQ(build.result.skipped + build.result.rows, 10);
    EXPECT_EQ(build.unreadable.size(), 7);
    EXPECT_FALSE(QFileInfo::exists(card));

    test::WriteCard(card, 2, Short);
    const Build again = BuildWithPull(card, 0, [] {});
    EXPECT_FALSE(again.result.error.IsSet()) << again.result.error.description.toStdString();
    EXPECT_EQ(again.result.rows, 2);
    Error error;
    EXPECT_EQ(CountRows(again.result.path, &error), 2) << error.description.toStdString();
}

// qlmtool build killed with SIGKILL while it stores rows: the catalogue
// opens afterwards (with none of the rows or all, since the build is one
// transaction) and a new build stores everything.
TEST(BuildFaults, BuildKilledInTheMiddle) {
    QTemporaryDir dir;
    const QString card = dir.filePath("card");
    QDir().mkpath(card);
    // Many small recordings, written directly: headers are enough for a build.
    constexpr int kCount = 20000;
    const QDateTime first(QDate(2024, 5, 1), QTime(0, 0, 0));
    for (int i = 0; i < kCount; ++i) {
        const QDateTime at = first.addSecs(i);
        test::WriteFile(card + u'/' + RecordingNameFor(at.date(), at.time()),
                        MakeRecordingHeader(QString::number(i), 0x20));
    }

    QProcess tool;
    tool.start(test::BuiltPath("qlmtool"), {"build", "--password-stdin", card});
    ASSERT_TRUE(tool.waitForStarted());
    tool.write("\n");  // the empty password of the build's folder
    tool.closeWriteChannel();
    tool.waitForBytesWritten();
    // The rollback journal appears with the table's creation and stays for
    // the rows; the table is in the file once its creation is committed. Wait
    // for both, and a little longer, so the kill lands among the rows.
    QElapsedTimer waited;
    waited.start();
    QString journal;
    while (journal.isEmpty() && tool.state() == QProcess::Running && waited.elapsed() < 120000) {
        const QStringList found = QDir(card).entryList({QStringLiteral("*.mdb-journal")}, QDir::Files);
        const QStringList made = Catalogues(card);
        if (!found.isEmpty() && !made.isEmpty() && test::ReadFile(card + u'/' + made[0]).contains("CREATE TABLE"))
            journal = found[0];
        else
            tool.waitForFinished(2);  // keeps the process's channels served
    }
    QThread::msleep(30);
    ASSERT_FALSE(journal.isEmpty()) << "the build ended before its rows were seen";
    // Usually among the rows; on a slow machine the build may just have ended.
    ::kill(static_cast<pid_t>(tool.processId()), SIGKILL);
    ASSERT_TRUE(tool.waitForFinished());
    const bool crashed = tool.exitStatus() == QProcess::CrashExit;

    const QStringList catalogues = Catalogues(card);
    ASSERT_EQ(catalogues.size(), 1);
    const QString killed = card + u'/' + catalogues[0];
    Error error;
    const int rows = CountRows(killed, &error);
    // One transaction: none of the rows, or (when the kill came after the
    // commit) all of them; never a part.
    EXPECT_TRUE(rows == 0 || rows == kCount) << rows << " " << error.description.toStdString();
    if (!crashed) {
        EXPECT_EQ(rows, kCount);
    }
    const test::RunResult list = test::Qlmtool({"list", killed});
    EXPECT_EQ(list.exitCode, 0) << list.err.toStdString();

    const test::RunResult again = test::Qlmtool({"build", card});
    ASSERT_EQ(again.exitCode, 0) << again.err.toStdString();
    const QStringList fields = QString::fromUtf8(again.out).trimmed().split(u'\t');
    ASSERT_EQ(fields.size(), 2);
    EXPECT_NE(fields[0], killed);
    EXPECT_EQ(fields[1], QString::number(kCount));
    EXPECT_EQ(CountRows(fields[0], &error), kCount) << error.description.toStdString();
}
