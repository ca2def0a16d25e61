// Copying recordings between real folders.
#include <sys/stat.h>

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

TEST(CopyRecordings, CopiesRecordingsOnlyKeepingTimesNeverReplacingOthers) {
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
    // Other bytes under a recording's name stay: the card's recording goes
    // beside them.
    test::WriteFile(pc.filePath(recordings[0]), "another call");

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
    ASSERT_EQ(result.storedBeside.size(), 1);
    const QString beside = result.storedBeside.first();
    // No temporary files left, nothing else copied; the checksums are kept.
    QStringList expected = recordings + QStringList{beside, QStringLiteral(".qlm-imports")};
    expected.sort();
    EXPECT_EQ(FilesIn(pc.path()), expected);
    EXPECT_EQ(test::ReadFile(pc.filePath(recordings[0])), "another call");
    EXPECT_EQ(test::ReadFile(pc.filePath(beside)), test::ReadFile(card.filePath(recordings[0])));
    for (const QString& name : recordings.mid(1))
        EXPECT_EQ(test::ReadFile(pc.filePath(name)), test::ReadFile(card.filePath(name))) << name.toStdString();
    EXPECT_EQ(QFileInfo(pc.filePath(beside)).lastModified(), recorded);
    // The card is left as it was.
    EXPECT_EQ(FilesIn(card.path()).size(), 15);
}

TEST(CopyRecordings, EntriesThatAreNoRecordingFilesAreCountedAndTheCopyGoesOn) {
    QTemporaryDir card, pc, outside;
    Error error;
    ASSERT_EQ(sim::WriteDemoCard(card.path(), &error), 12);
    const QStringList recordings = FilesIn(card.path());
    // Under recording names: a dangling link, a FIFO (a read would hang) and
    // a link to a file outside the card; at the destination a folder holds
    // one recording's name.
    ASSERT_TRUE(QFile::link(card.filePath(QStringLiteral("lost")), card.filePath(QStringLiteral("A2505143.527"))));
    ASSERT_EQ(::mkfifo(QFile::encodeName(card.filePath(QStringLiteral("A2505143.528"))).constData(), 0600), 0);
    test::WriteFile(outside.filePath(QStringLiteral("secret")), QByteArray(600, 's'));
    ASSERT_TRUE(QFile::link(outside.filePath(QStringLiteral("secret")), card.filePath(QStringLiteral("A2505143.529"))));
    ASSERT_TRUE(QDir(pc.path()).mkdir(recordings[3]));

    CopyHooks hooks;
    hooks.failedFile = [&](const QString& name, const Error&) { ADD_FAILURE() << name.toStdString(); };
    const CopyResult result = CopyRecordings(card.path(), pc.path(), hooks);
    EXPECT_EQ(result.copied, 12);
    EXPECT_EQ(result.notRegular, 3);
    EXPECT_TRUE(result.failed.isEmpty());
    // The folder stays; the recording of its name is kept beside it.
    ASSERT_EQ(result.storedBeside.size(), 1);
    EXPECT_TRUE(QFileInfo(pc.filePath(recordings[3])).isDir());
    EXPECT_EQ(test::ReadFile(pc.filePath(result.storedBeside[0])), test::ReadFile(card.filePath(recordings[3])));
    for (const char* name : {"A2505143.527", "A2505143.528", "A2505143.529"})
        EXPECT_FALSE(QFileInfo::exists(pc.filePath(QString::fromLatin1(name)))) << name;
    EXPECT_EQ(FilesIn(pc.path()).size(), 13);  // the recordings and the import ledger, nothing partial

    const CopyResult missing = CopyRecordings(card.filePath(QStringLiteral("gone")), pc.path(), {});
    EXPECT_TRUE(missing.listError.IsSet());
    EXPECT_EQ(missing.copied, 0);

    // A destination that does not exist fails every file, loudly.
    const CopyResult nowhere = CopyRecordings(card.path(), pc.filePath(QStringLiteral("no/such")), {});
    EXPECT_EQ(nowhere.copied, 0);
    EXPECT_EQ(nowhere.failed.size(), 12);
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
    EXPECT_EQ(FilesIn(pc.path()).size(), n + 1);  // and the import ledger
}
