// The card wipe on real folders: a card recording goes only when the library
// holds its bytes, only regular files are touched, and nothing is ever made
// writable.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/card/cardwipe.h"
#include "app/card/imports.h"
#include "tests/support/cardcatalogue.h"

using namespace qlm;

namespace {

const QVector<QDateTime> kAt = test::FixtureCallTimes();

QString Record(const QString& folder, int i, int bytes = 100) {
    return sim::WriteRecording(folder, {kAt[i], QStringLiteral("5550100"), flag::kLine, sim::FillerPayload(bytes)});
}

mode_t ModeOf(const QString& path) {
    struct stat st {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

}  // namespace

TEST(CardWipe, OnlyRecordingsTheLibraryHoldsGo) {
    QTemporaryDir card, library, outside;
    const QString f = card.path(), lib = library.path();
    QStringList onCard;
    for (int i = 0; i < 5; ++i)
        onCard << Record(f, i, 100 + i);
    const auto name = [&](int i) { return QFileInfo(onCard[i]).fileName(); };
    // 0: copied as it is; 1: copied beside another call of its name (the
    // variant name); 2: the library's file of that name is another call;
    // 3: never copied; 4: copied, and marked read-only on the card.
    ASSERT_TRUE(QFile::copy(onCard[0], JoinPath(lib, name(0))));
    test::WriteFile(JoinPath(lib, name(1)), "another call of that second");
    ASSERT_TRUE(QFile::copy(onCard[1], JoinPath(lib, VariantRecordingName(name(1), FileSha256(onCard[1], nullptr)))));
    test::WriteFile(JoinPath(lib, name(2)), test::ReadFile(onCard[2]) + "x");
    ASSERT_TRUE(QFile::copy(onCard[4], JoinPath(lib, name(4))));
    QFile::setPermissions(onCard[4], QFile::ReadOwner | QFile::ReadGroup);
    const QStringList others = {QStringLiteral("PHOTO001.JPG"), QStringLiteral("ABCDEFGH.XYZ"),
                                QStringLiteral("NOTES01.TXT"), QStringLiteral("C03071.mdb")};
    for (const QString& other : others)
        test::WriteFile(JoinPath(f, other), "keep me");
    // A folder shaped like a recording, holding one: folders are never entered.
    const QString sub = JoinPath(f, QStringLiteral("M0724090.500"));
    QDir().mkpath(sub);
    const QString inner = Record(sub, 0, 50);

    const CardWipeResult result = DeleteCardRecordingsIn(f, lib);
    EXPECT_FALSE(result.error.IsSet()) << result.error.description.toStdString();
    EXPECT_EQ(QSet<QString>(result.deleted.begin(), result.deleted.end()), QSet<QString>({name(0), name(1), name(4)}));
    EXPECT_EQ(QSet<QString>(result.notInLibrary.begin(), result.notInLibrary.end()), QSet<QString>({name(2), name(3)}));
    EXPECT_TRUE(result.failed.isEmpty());
    for (int i : {0, 1, 4})
        EXPECT_FALSE(QFile::exists(onCard[i])) << i;
    for (int i : {2, 3})
        EXPECT_TRUE(QFile::exists(onCard[i])) << i;
    EXPECT_EQ(QDir(lib).entryList(QDir::Files).size(), 5);  // the library is untouched
    for (const QString& other : others)
        EXPECT_EQ(test::ReadFile(JoinPath(f, other)), "keep me") << other.toStdString();
    EXPECT_TRUE(QFile::exists(inner));

    // No library, or one that is not there: nothing goes.
    EXPECT_TRUE(DeleteCardRecordingsIn(f, QString()).error.IsSet());
    const CardWipeResult missing = DeleteCardRecordingsIn(f, JoinPath(lib, QStringLiteral("gone")));
    EXPECT_TRUE(missing.error.IsSet());
    EXPECT_TRUE(missing.deleted.isEmpty());
    EXPECT_TRUE(DeleteCardRecordingsIn(JoinPath(f, QStringLiteral("gone")), lib).error.IsSet());
}

// The library's "copy" must be its own file: a catalogue built on the card
// itself, a link or a hard link to the card's file hold nothing.
TEST(CardWipe, TheCardsOwnFileIsNoCopy) {
    QTemporaryDir card, library;
    const QString f = card.path(), lib = library.path();
    const QString a = Record(f, 0), b = Record(f, 1), c = Record(f, 2);
    EXPECT_EQ(DeleteCardRecordingsIn(f, f).deleted, QStringList());  // the library is the card
    ASSERT_TRUE(QFile::link(a, JoinPath(lib, QFileInfo(a).fileName())));
    ASSERT_EQ(
        ::link(QFile::encodeName(b).constData(), QFile::encodeName(JoinPath(lib, QFileInfo(b).fileName())).constData()),
        0);
    ASSERT_TRUE(QFile::copy(c, JoinPath(lib, QFileInfo(c).fileName())));
    const CardWipeResult result = DeleteCardRecordingsIn(f, lib);
    EXPECT_EQ(result.deleted, QStringList{QFileInfo(c).fileName()});
    EXPECT_EQ(result.notInLibrary.size(), 2);
    EXPECT_TRUE(QFile::exists(a));
    EXPECT_TRUE(QFile::exists(b));
}

// FIFOs and links out of the card under a recording's name are counted and
// left; no mode is changed, on the card or outside it.
TEST(CardWipe, OnlyRegularFilesAreTouchedAndNothingIsMadeWritable) {
    QTemporaryDir card, library, outside;
    const QString f = card.path(), lib = library.path();
    const QString real = Record(f, 0);
    ASSERT_TRUE(QFile::copy(real, JoinPath(lib, QFileInfo(real).fileName())));
    const QString fifoName = RecordingNameFor(kAt[1].date(), kAt[1].time());
    ASSERT_EQ(::mkfifo(QFile::encodeName(JoinPath(f, fifoName)).constData(), 0600), 0);
    // An outside file, read-only, linked from the card; the library holds its bytes.
    const QString target = Record(outside.path(), 2);
    QFile::setPermissions(target, QFile::ReadOwner);
    const QString linkName = QFileInfo(target).fileName();
    ASSERT_TRUE(QFile::link(target, JoinPath(f, linkName)));
    ASSERT_TRUE(QFile::copy(target, JoinPath(lib, linkName)));
    // A link to a regular file inside the card is taken: the link goes, not its target.
    const QString innerLink = RecordingNameFor(kAt[3].date(), kAt[3].time());
    const QString innerTarget = JoinPath(f, QStringLiteral("keep.bin"));
    ASSERT_TRUE(QFile::copy(real, innerTarget));
    ASSERT_TRUE(QFile::link(innerTarget, JoinPath(f, innerLink)));
    ASSERT_TRUE(QFile::copy(real, JoinPath(lib, innerLink)));

    EXPECT_EQ(RecordingEntryKind(f, fifoName), EntryKind::Other);
    EXPECT_EQ(RecordingEntryKind(f, linkName), EntryKind::Other);
    EXPECT_EQ(RecordingEntryKind(f, innerLink), EntryKind::Link);
    EXPECT_EQ(RecordingEntryKind(f, QStringLiteral("A0101010.101")), EntryKind::Missing);
    const CardWipeResult result = DeleteCardRecordingsIn(f, lib);  // never hangs on the FIFO
    EXPECT_EQ(QSet<QString>(result.skipped.begin(), result.skipped.end()), QSet<QString>({fifoName, linkName}));
    EXPECT_EQ(QSet<QString>(result.deleted.begin(), result.deleted.end()),
              QSet<QString>({QFileInfo(real).fileName(), innerLink}));
    EXPECT_TRUE(QFileInfo(JoinPath(f, linkName)).isSymLink());
    EXPECT_TRUE(QFile::exists(innerTarget));
    EXPECT_EQ(ModeOf(target), mode_t(0400));
    EXPECT_TRUE(QFileInfo::exists(JoinPath(f, fifoName)));

    // The attribute routine only ever takes write permission away.
    const QString mine = Record(outside.path(), 4);
    QFile::setPermissions(mine, QFile::ReadOwner);
    SetAttributesIfExists(mine, kArchiveAttribute);
    EXPECT_EQ(ModeOf(mine), mode_t(0400));
    QFile::setPermissions(mine, QFile::ReadOwner | QFile::WriteOwner);
    SetAttributesIfExists(mine, kReadOnlyAttribute);
    EXPECT_EQ(ModeOf(mine), mode_t(0400));
    SetAttributesIfExists(JoinPath(f, QStringLiteral("gone")), kReadOnlyAttribute);
    EXPECT_FALSE(QFile::exists(JoinPath(f, QStringLiteral("gone"))));
}

TEST(CardWipe, WriteProtectedCardIsSkippedFileByFileAndKeepsItsModes) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root deletes from any folder";
    QTemporaryDir card, library;
    const QString path = Record(card.path(), 0);
    const QString path2 = Record(card.path(), 1);
    QFile::setPermissions(path, QFile::ReadOwner);
    for (const QString& p : {path, path2})
        ASSERT_TRUE(QFile::copy(p, JoinPath(library.path(), QFileInfo(p).fileName())));
    const auto writable = QFile::permissions(card.path());
    QFile::setPermissions(card.path(), QFile::ReadOwner | QFile::ExeOwner);
    const CardWipeResult result = DeleteCardRecordingsIn(card.path(), library.path());
    QFile::setPermissions(card.path(), writable);
    EXPECT_EQ(result.failed.size(), 2);
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_TRUE(QFile::exists(path2));
    EXPECT_EQ(ModeOf(path), mode_t(0400));
}
