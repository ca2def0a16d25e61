// Copying a card when things go wrong underneath: a destination that fills
// up, a file system that refuses large files, a card pulled in the middle.
// Whatever reached the destination is complete, the rest is reported, the
// card stays as it was.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include "app/card/copy.h"
#include "tests/support/cardfiles.h"
#include "tests/support/smallfs.h"
#include "tests/support/testsupport.h"

using namespace qlm;

namespace {

struct Outcome {
    QStringList copied;
    QStringList failed;
    QList<Error> errors;
};

Outcome Copy(const QString& card, const QString& destination, const std::function<void(int)>& afterEach = {}) {
    Outcome outcome;
    CopyHooks hooks;
    hooks.copiedFile = [&](int copied, const QString& name) {
        outcome.copied << name;
        if (afterEach)
            afterEach(copied);
    };
    hooks.failedFile = [&](const QString& name, const Error& error) {
        outcome.failed << name;
        outcome.errors << error;
    };
    const CopyResult result = CopyRecordings(card, destination, hooks);
    EXPECT_EQ(result.copied, outcome.copied.size());
    EXPECT_EQ(result.failed, outcome.failed);
    return outcome;
}

// Every file in the destination is a reported copy, byte for byte the card's
// file; every card file not there is reported as failed; nothing else lies
// around (no partial copies under any name).
// The recordings in the folder, without the copy's import ledger.
QMap<QString, test::FileState> Recordings(const QString& folder) {
    auto files = test::Snapshot(folder);
    files.remove(QStringLiteral(".qlm-imports"));
    return files;
}

void ExpectOnlyCompleteCopies(const QMap<QString, test::FileState>& card, const QString& destination,
                              const Outcome& outcome) {
    const auto there = Recordings(destination);
    EXPECT_EQ(QStringList(there.keys()), [&] {
        QStringList s = outcome.copied;
        s.sort();
        return s;
    }());
    for (auto it = there.begin(); it != there.end(); ++it) {
        ASSERT_TRUE(card.contains(it.key())) << it.key().toStdString();
        EXPECT_EQ(it->bytes, card[it.key()].bytes) << it.key().toStdString();
    }
    for (const QString& name : card.keys())
        EXPECT_NE(there.contains(name), outcome.failed.contains(name)) << name.toStdString();
}

qint64 Large(int) { return 150 * 1024; }
qint64 SmallAndLarge(int i) { return i % 2 ? 300 * 1024 : 60 * 1024; }

}  // namespace

TEST(CopyFaults, DestinationThatFillsUp) {
    test::SmallFs pc(1024 * 1024);
    if (!pc.Mounted())
        GTEST_SKIP() << pc.WhyNot().toStdString();
    QTemporaryDir dir;
    const QString card = dir.filePath("card");
    const QStringList names = test::WriteCard(card, 12, Large);
    ASSERT_EQ(names.size(), 12);
    const auto before = test::Snapshot(card);

    const Outcome outcome = Copy(card, pc.path());
    EXPECT_GT(outcome.copied.size(), 0);
    EXPECT_GT(outcome.failed.size(), 0);
    EXPECT_EQ(outcome.copied.size() + outcome.failed.size(), 12);
    for (const Error& error : outcome.errors)
        EXPECT_EQ(error.number, err::kDiskFull) << error.description.toStdString();
    ExpectOnlyCompleteCopies(before, pc.path(), outcome);
    EXPECT_EQ(test::Snapshot(card), before);

    // The same through qlmtool into the full folder: every file is there
    // from before, or listed as copied, or named on stderr, and the status
    // says it failed.
    const test::RunResult run = test::Qlmtool({"copy", card, pc.path()});
    EXPECT_EQ(run.exitCode, 1);
    const QStringList listed = QString::fromUtf8(run.out).split(u'\n', Qt::SkipEmptyParts);
    for (const QString& name : names) {
        const bool reported = run.err.contains((name + ": not copied").toUtf8());
        const bool copied = listed.contains(pc.path() + u'/' + name);
        EXPECT_EQ(int(reported) + int(copied) + int(outcome.copied.contains(name)), 1) << name.toStdString();
        if (reported) {
            EXPECT_TRUE(run.err.contains("error 61")) << run.err.toStdString();
        }
    }
    EXPECT_TRUE(run.err.contains("files could not be copied")) << run.err.toStdString();
    EXPECT_EQ(test::Snapshot(card), before);
    for (const QString& name : Recordings(pc.path()).keys())
        EXPECT_EQ(Recordings(pc.path())[name].bytes, before[name].bytes) << name.toStdString();
}

// Without the right to mount: a file size limit makes the large files fail
// part-way, the way a full medium does.
TEST(CopyFaults, FileSizeLimitMidCopy) {
    QTemporaryDir dir;
    const QString card = dir.filePath("card"), pc = dir.filePath("pc");
    const QStringList names = test::WriteCard(card, 6, SmallAndLarge);
    const auto before = test::Snapshot(card);
    // 256 blocks of 512 bytes; the signal would end the program instead of
    // failing the write.
    const test::RunResult run =
        test::Run("/bin/sh",
                  {"-c", "trap '' XFSZ; ulimit -f 256; exec \"$0\" copy --password-stdin \"$1\" \"$2\"",
                   test::BuiltPath("qlmtool"), card, pc},
                  "\n");
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    const auto there = Recordings(pc);
    for (int i = 0; i < names.size(); ++i) {
        const bool large = SmallAndLarge(i) > 128 * 1024;
        EXPECT_EQ(there.contains(names[i]), !large) << names[i].toStdString();
        EXPECT_EQ(run.err.contains((names[i] + ": not copied (error 61)").toUtf8()), large) << run.err.toStdString();
        if (!large) {
            EXPECT_EQ(there[names[i]], before[names[i]]);
        }
    }
    EXPECT_EQ(there.size(), 3);  // no partial copies under other names either
    EXPECT_TRUE(run.err.contains("3 of 6 files could not be copied")) << run.err.toStdString();
    EXPECT_EQ(test::Snapshot(card), before);
}

TEST(CopyFaults, CardPulledDuringTheCopy) {
    QTemporaryDir dir;
    const QString card = dir.filePath("card"), pc = dir.filePath("pc");
    const QStringList names = test::WriteCard(card, 8, Large);
    const auto before = test::Snapshot(card);
    QDir().mkpath(pc);

    const Outcome outcome = Copy(card, pc, [&](int copied) {
        if (copied == 3)
            QDir(card).removeRecursively();
    });
    EXPECT_EQ(outcome.copied, names.mid(0, 3));
    EXPECT_EQ(outcome.failed, names.mid(3));
    for (const Error& error : outcome.errors) {
        EXPECT_EQ(error.number, err::kFileNotFound);
        EXPECT_TRUE(error.description.contains(card)) << error.description.toStdString();
    }
    ExpectOnlyCompleteCopies(before, pc, outcome);
}
