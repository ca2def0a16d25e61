// An export or a backup that fails or is killed never costs the files of an
// earlier one; what a killed run left is cleared by the next run of its kind
// there, and nothing that is not ours: qlmtool on real folders, real kills,
// a real small file system, another run's lock held by this process.
#include <gtest/gtest.h>

#include <csignal>

#include <QProcess>

#include "app/export/staging.h"
#include "tests/export/exporttest.h"
#include "tests/support/smallfs.h"

namespace qlm::test {
namespace {

// Every file below the folder with its bytes, links as "-> target".
QMap<QString, QByteArray> Snapshot(const QString& folder) {
    QMap<QString, QByteArray> files;
    const QDir root(folder);
    for (const QString& name : Entries(folder)) {
        const QFileInfo info(root.filePath(name));
        if (info.isSymLink())
            files.insert(name, "-> " + QFile::encodeName(info.symLinkTarget()));
        else if (info.isDir())
            for (const auto& [inner, bytes] : Snapshot(info.filePath()).asKeyValueRange())
                files.insert(name + u'/' + inner, bytes);
        else
            files.insert(name, ReadFile(info.filePath()));
    }
    return files;
}

QStringList Staging(const QString& folder) { return Entries(folder).filter(QStringLiteral(".qlm-export-")); }

class LeftoverTest : public ExportTest {
protected:
    QStringList Export(const QString& destination, const QStringList& more = {}) const {
        return QStringList{QStringLiteral("export"), catalogue_, QStringLiteral("--dest"), destination} << more;
    }
    // qlmtool killed while its staging folder is in the folder; false when
    // every try finished first.
    bool KillWhileStaging(const QString& destination, const QString& folder) const {
        for (int attempt = 0; attempt < 20; ++attempt) {
            QProcess tool;
            tool.start(app_.file(QStringLiteral("qlmtool")),
                       Export(destination, {QStringLiteral("--all"), QStringLiteral("--password-stdin")}));
            if (!tool.waitForStarted())
                return false;
            tool.write("\n");
            tool.closeWriteChannel();
            while (Staging(folder).isEmpty() && tool.state() != QProcess::NotRunning && !tool.waitForFinished(0)) {
            }
            if (!Staging(folder).isEmpty())
                ::kill(static_cast<pid_t>(tool.processId()), SIGKILL);
            tool.waitForFinished();
            if (tool.exitStatus() == QProcess::CrashExit && !Staging(folder).isEmpty())
                return true;
            QDir(folder).removeRecursively();
            QDir().mkpath(folder);
        }
        return false;
    }
};

TEST_F(LeftoverTest, AFailedExportKeepsTheEarlierOne) {
    SmallFs small(4 * 1024 * 1024);
    if (!small.Mounted())
        GTEST_SKIP() << small.WhyNot().toStdString();
    const QString folder = JoinPath(small.path(), QStringLiteral("out"));
    QDir().mkpath(folder);
    ASSERT_EQ(Tool(Export(folder, {QStringLiteral("--all")})).exitCode, 0);
    // The next export holds fewer calls (and its own calls.json) and fails
    // on that last name: what it had put in place goes, and the earlier
    // export's files it had replaced come back.
    ASSERT_TRUE(QFile::remove(JoinPath(folder, QStringLiteral("calls.json"))));
    QDir().mkpath(JoinPath(folder, QStringLiteral("calls.json")));
    WriteFile(JoinPath(folder, QStringLiteral("calls.json/mine.txt")), "a folder of the user's");
    const QMap<QString, QByteArray> earlier = Snapshot(folder);
    const QString from = calls_[2].start.date().toString(QStringLiteral("yyyy-MM-dd"));
    RunResult run = Tool(Export(folder, {QStringLiteral("--all"), QStringLiteral("--from"), from}));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("calls.json")) << run.err.toStdString();
    EXPECT_EQ(Snapshot(folder), earlier);

    // A medium that fills up, and one that is read-only, change nothing.
    ASSERT_TRUE(QFile::remove(JoinPath(folder, QStringLiteral("calls.json/mine.txt"))));
    ASSERT_TRUE(QDir(folder).rmdir(QStringLiteral("calls.json")));
    ASSERT_EQ(Tool(Export(folder, {QStringLiteral("--all")})).exitCode, 0);
    const QMap<QString, QByteArray> whole = Snapshot(folder);
    QFile filler(JoinPath(small.path(), QStringLiteral("filler")));
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
    while (filler.write(QByteArray(4096, 'x')) == 4096 && filler.flush()) {
    }
    filler.close();
    run = Tool(Export(folder, {QStringLiteral("--all")}));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(Snapshot(folder), whole);
    ASSERT_TRUE(small.SetReadOnly(true));
    EXPECT_EQ(Tool(Export(folder, {QStringLiteral("--all")})).exitCode, 1);
    EXPECT_EQ(Snapshot(folder), whole);
    small.SetReadOnly(false);
}

TEST_F(LeftoverTest, KilledRunsAreClearedByTheNextAndOnlyThey) {
    // Large work files: the writing takes long enough to be killed in it.
    for (const CardCall& call : std::as_const(calls_))
        LeaveWorkFiles(call, 60);
    const QString folder = dir_.filePath(QStringLiteral("out"));
    QDir().mkpath(folder);
    ASSERT_TRUE(KillWhileStaging(folder, folder)) << "every export finished before it could be killed";
    const QString zipFolder = dir_.filePath(QStringLiteral("zips"));
    QDir().mkpath(zipFolder);
    const QString zip = JoinPath(zipFolder, QStringLiteral("calls.zip"));
    ASSERT_TRUE(KillWhileStaging(zip, zipFolder)) << "every export finished before it could be killed";

    // Beside the killed run: a staging folder of an older kill that had set
    // an earlier export's file aside, and things of the user's that look
    // like ours.
    const QString aside = JoinPath(folder, QStringLiteral(".qlm-export-Ab3dE9"));
    QDir().mkpath(JoinPath(aside, QStringLiteral("replaced")));
    WriteFile(JoinPath(aside, QStringLiteral("replaced/2020-01-01 10-00-00 Incoming.wav")), "an earlier export's");
    WriteFile(JoinPath(aside, QStringLiteral("2020-01-01 10-00-00 Incoming.wav")), "staged");
    QDir().mkpath(dir_.filePath(QStringLiteral("elsewhere")));
    WriteFile(dir_.filePath(QStringLiteral("elsewhere/keep.txt")), "not ours");
    QFile::link(dir_.filePath(QStringLiteral("elsewhere")), JoinPath(folder, QStringLiteral(".qlm-export-L1nk00")));
    QDir().mkpath(JoinPath(folder, QStringLiteral(".qlm-export-mine")));
    WriteFile(JoinPath(folder, QStringLiteral(".qlm-export-mine/notes.txt")), "mine");
    WriteFile(JoinPath(folder, QStringLiteral(".qlm-export-F1le00")), "a file, not our folder");
    const QStringList userThings = {QStringLiteral(".qlm-export-F1le00"), QStringLiteral(".qlm-export-L1nk00"),
                                    QStringLiteral(".qlm-export-mine")};

    {
        // While another run holds the folder, its staging is not touched.
        const FolderRunGuard otherRun(folder, {});
        ASSERT_EQ(Tool(Export(folder, {QStringLiteral("--all")})).exitCode, 0);
        EXPECT_TRUE(QFileInfo::exists(aside));
        EXPECT_EQ(Staging(folder).size(), userThings.size() + 2);
    }
    const RunResult run = Tool(Export(folder, {QStringLiteral("--all")}));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(Staging(folder), userThings);
    EXPECT_EQ(ReadFile(JoinPath(folder, QStringLiteral("2020-01-01 10-00-00 Incoming.wav"))), "an earlier export's");
    EXPECT_EQ(ReadFile(dir_.filePath(QStringLiteral("elsewhere/keep.txt"))), "not ours");
    EXPECT_EQ(ReadFile(JoinPath(folder, QStringLiteral(".qlm-export-mine/notes.txt"))), "mine");
    EXPECT_EQ(Manifests(folder)[QStringLiteral("json")].toArray().size(), calls_.size());

    // Two runs at once: neither takes the other's staging for a leftover.
    {
        QProcess runs[2];
        for (QProcess& tool : runs) {
            tool.start(app_.file(QStringLiteral("qlmtool")),
                       Export(folder, {QStringLiteral("--all"), QStringLiteral("--password-stdin")}));
            tool.write("\n");
            tool.closeWriteChannel();
        }
        for (QProcess& tool : runs) {
            ASSERT_TRUE(tool.waitForFinished(120000));
            EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
        }
        EXPECT_EQ(Staging(folder), userThings);
        EXPECT_EQ(Manifests(folder)[QStringLiteral("json")].toArray().size(), calls_.size());
    }

    ASSERT_EQ(Tool(Export(zip, {QStringLiteral("--all")})).exitCode, 0);
    EXPECT_EQ(Entries(zipFolder), QStringList{QStringLiteral("calls.zip")});
    EXPECT_EQ(test::Run(QStringLiteral("unzip"), {QStringLiteral("-tq"), zip}).exitCode, 0);

    // Backups: a killed one's catalogue and journal go; a file of the same
    // pattern that holds no catalogue, a link, and another backup's stay.
    const QString backups = dir_.filePath(QStringLiteral("backups"));
    QDir().mkpath(backups);
    const QByteArray catalogue = ReadFile(catalogue_);
    WriteFile(JoinPath(backups, QStringLiteral("old.mdb.Q1w2E3")), catalogue);
    WriteFile(JoinPath(backups, QStringLiteral("old.mdb.Q1w2E3-journal")), QByteArray());
    WriteFile(JoinPath(backups, QStringLiteral("old.mdb.readme")), "my notes on this backup");
    WriteFile(JoinPath(backups, QStringLiteral("other.mdb.Q1w2E3")), catalogue);
    QFile::link(catalogue_, JoinPath(backups, QStringLiteral("old.mdb.L1nk00")));
    ASSERT_EQ(Tool({QStringLiteral("backup"), catalogue_, JoinPath(backups, QStringLiteral("old.mdb"))}).exitCode, 0);
    EXPECT_EQ(Entries(backups), (QStringList{QStringLiteral("old.mdb"), QStringLiteral("old.mdb.L1nk00"),
                                             QStringLiteral("old.mdb.readme"), QStringLiteral("other.mdb.Q1w2E3")}));
}

}  // namespace
}  // namespace qlm::test
