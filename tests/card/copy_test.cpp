// Copying recordings between real folders.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "app/card/copy.h"
#include "app/card/recording.h"
#include "platform/appfolder.h"
#include "tests/support/testsupport.h"
#include "tools/recsim.h"

using namespace qlm;

namespace {

QStringList FilesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

void SetModified(const QString& path, const QDateTime& when) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(when, QFileDevice::FileModificationTime));
}

}  // namespace

TEST(CopyRecordings, CopiesRecordingsOnlyKeepingTimesAndOverwriting) {
    QTemporaryDir card, pc;
    Error error;
    ASSERT_EQ(sim::WriteDemoCard(card.path(), &error), 12);
    const QStringList recordings = FilesIn(card.path());
    test::WriteFile(card.filePath(QStringLiteral("C08261.mdb")), "catalogue");
    test::WriteFile(card.filePath(QStringLiteral("NOTES.TXT")), "notes");
    test::WriteFile(card.filePath(QStringLiteral("A2505146.027")), "minute 60");
    QDir(card.path()).mkpath(QStringLiteral("sub"));
    test::WriteFile(card.filePath(QStringLiteral("sub/11524090.508")), "nested");
    const QDateTime recorded(QDate(2024, 1, 15), QTime(9, 6, 0));
    SetModified(card.filePath(recordings[0]), recorded);
    // An older copy of the same call is replaced without asking.
    test::WriteFile(pc.filePath(recordings[0]), "stale");

    QList<int> counters;
    int repaints = 0;
    CopyHooks hooks;
    hooks.copiedFile = [&](int copied, const QString&) { counters << copied; };
    hooks.failedFile = [&](const QString& name, const Error&) { ADD_FAILURE() << name.toStdString(); };
    hooks.repaint = [&] { ++repaints; };
    const CopyResult result = CopyRecordings(card.path(), pc.path(), hooks);
    EXPECT_FALSE(result.listError.IsSet());
    EXPECT_EQ(result.copied, 12);
    EXPECT_TRUE(result.failed.isEmpty());
    EXPECT_EQ(counters.size(), 12);
    EXPECT_EQ(counters.last(), 12);
    EXPECT_EQ(FilesIn(pc.path()), recordings);  // no temporary files left, nothing else copied
    for (const QString& name : recordings)
        EXPECT_EQ(test::ReadFile(pc.filePath(name)), test::ReadFile(card.filePath(name))) << name.toStdString();
    EXPECT_EQ(QFileInfo(pc.filePath(recordings[0])).lastModified(), recorded);
    // The card is left as it was.
    EXPECT_EQ(FilesIn(card.path()).size(), 15);
}

TEST(CopyRecordings, FailedFilesAreCountedApartAndTheCopyGoesOn) {
    QTemporaryDir card, pc;
    Error error;
    ASSERT_EQ(sim::WriteDemoCard(card.path(), &error), 12);
    const QStringList recordings = FilesIn(card.path());
    // One recording cannot be read, one cannot be written (a folder holds
    // its name at the destination).
    ASSERT_TRUE(QFile::link(card.filePath(QStringLiteral("lost")), card.filePath(QStringLiteral("A2505143.527"))));
    ASSERT_TRUE(QDir(pc.path()).mkdir(recordings[3]));

    QStringList reported;
    CopyHooks hooks;
    hooks.failedFile = [&](const QString& name, const Error& e) {
        reported << name;
        EXPECT_TRUE(e.IsSet());
    };
    const CopyResult result = CopyRecordings(card.path(), pc.path(), hooks);
    EXPECT_EQ(result.copied, 11);
    EXPECT_EQ(result.failed.size(), 2);
    EXPECT_EQ(reported, result.failed);
    EXPECT_TRUE(result.failed.contains(QStringLiteral("A2505143.527")));
    EXPECT_TRUE(result.failed.contains(recordings[3]));
    EXPECT_FALSE(QFile::exists(pc.filePath(QStringLiteral("A2505143.527"))));
    EXPECT_EQ(FilesIn(pc.path()).size(), 11);  // no partial or temporary files

    const CopyResult missing = CopyRecordings(card.filePath(QStringLiteral("gone")), pc.path(), {});
    EXPECT_TRUE(missing.listError.IsSet());
    EXPECT_EQ(missing.copied, 0);

    // A destination that does not exist fails every file, loudly.
    const CopyResult nowhere = CopyRecordings(card.path(), pc.filePath(QStringLiteral("no/such")), {});
    EXPECT_EQ(nowhere.copied, 0);
    EXPECT_EQ(nowhere.failed.size(), 13);
}

TEST(CopyRecordings, NoSixteenBitLimitOnTheFileCount) {
    // The count is under test, not the disk: where there is a memory file
    // system, each file's sync before its rename costs nothing there.
    const QString memory = QStringLiteral("/dev/shm");
    const QString base = QFileInfo(memory).isWritable() ? memory : QDir::tempPath();
    QTemporaryDir card(base + QStringLiteral("/qlm-card-XXXXXX")), pc(base + QStringLiteral("/qlm-pc-XXXXXX"));
    ASSERT_TRUE(card.isValid() && pc.isValid());
    // 33,000 tiny recordings, one a second.
    const QDateTime start(QDate(2024, 3, 1), QTime(0, 0, 0));
    const int n = 33000;
    for (int i = 0; i < n; ++i) {
        const QDateTime at = start.addSecs(i);
        QFile f(JoinPath(card.path(), RecordingNameFor(at.date(), at.time())));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const CopyResult result = CopyRecordings(card.path(), pc.path(), {});
    EXPECT_EQ(result.copied, n);
    EXPECT_EQ(FilesIn(pc.path()).size(), n);
}
