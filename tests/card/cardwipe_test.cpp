// The card wipe on a real folder: only the recorder's files go.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/card/cardwipe.h"
#include "tests/support/cardcatalogue.h"

using namespace qlm;

namespace {

const QVector<QDateTime> kAt = test::FixtureCallTimes();

}  // namespace

TEST(CardWipe, OnlyTheRecordersFilesGoWhateverTheirMarks) {
    QTemporaryDir card;
    const QString f = card.path();
    QStringList recordings;
    for (const QDateTime& at : test::FixtureCallTimes())
        recordings << sim::WriteRecording(f, {at, QStringLiteral("5550100"), flag::kLine, sim::FillerPayload(100)});
    QFile::setPermissions(recordings[0], QFile::ReadOwner | QFile::ReadGroup);  // read-only mark
    const QStringList others = {QStringLiteral("PHOTO001.JPG"), QStringLiteral("ABCDEFGH.XYZ"),
                                QStringLiteral("NOTES01.TXT"), QStringLiteral("C03071.mdb"), QStringLiteral("readme")};
    for (const QString& name : others)
        test::WriteFile(JoinPath(f, name), "keep me");
    // A folder shaped like a recording, holding one: folders are never entered.
    const QString sub = JoinPath(f, QStringLiteral("M0724090.500"));
    QDir().mkpath(sub);
    const QString inner = sim::WriteRecording(sub, {kAt[0], QStringLiteral("1"), flag::kLine, sim::FillerPayload(50)});

    Error error;
    EXPECT_EQ(CardRecordingNames(f, &error).size(), 5);
    const CardWipeResult result = DeleteCardRecordingsIn(f);
    EXPECT_FALSE(result.error.IsSet());
    EXPECT_TRUE(result.failed.isEmpty());
    EXPECT_EQ(result.deleted.size(), 5);
    for (const QString& path : recordings)
        EXPECT_FALSE(QFile::exists(path)) << path.toStdString();
    for (const QString& name : others)
        EXPECT_EQ(test::ReadFile(JoinPath(f, name)), "keep me") << name.toStdString();
    EXPECT_TRUE(QFile::exists(inner));

    // A folder that is not there: reported, nothing else happens.
    const CardWipeResult missing = DeleteCardRecordingsIn(JoinPath(f, QStringLiteral("gone")));
    EXPECT_TRUE(missing.error.IsSet());
    SetAttributesIfExists(JoinPath(f, QStringLiteral("gone")), kArchiveAttribute);
    EXPECT_FALSE(QFile::exists(JoinPath(f, QStringLiteral("gone"))));
}

TEST(CardWipe, WriteProtectedCardIsSkippedFileByFile) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root deletes from any folder";
    QTemporaryDir card;
    const QString path = sim::WriteRecording(card.path(), {kAt[0], QString(), flag::kLine, sim::FillerPayload(10)});
    const QString path2 = sim::WriteRecording(card.path(), {kAt[1], QString(), flag::kLine, sim::FillerPayload(10)});
    const auto writable = QFile::permissions(card.path());
    QFile::setPermissions(card.path(), QFile::ReadOwner | QFile::ExeOwner);
    const CardWipeResult result = DeleteCardRecordingsIn(card.path());
    QFile::setPermissions(card.path(), writable);
    EXPECT_EQ(result.failed.size(), 2);
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_TRUE(QFile::exists(path2));
}
