// The mount table watcher and the card detection on top of it, on a mount
// table of our own; the real mount of a card image is in the window's test.
#include <gtest/gtest.h>

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "app/card/cardarrival.h"
#include "app/card/recording.h"
#include "platform/mountwatch.h"
#include "tests/support/testsupport.h"

namespace {

QByteArray Line(const QString& point) {
    QByteArray escaped = QFile::encodeName(point);
    escaped.replace(' ', "\\040");
    return "/dev/sdz1 " + escaped + " vfat rw,nosuid 0 0\n";
}

}  // namespace

TEST(MountWatch, ReportsMountsAndUnmountsAndCardsWithRecordings) {
    QTemporaryDir dir;
    const QString table = dir.filePath("mounts");
    const QString card = dir.filePath("NO NAME");  // a blank in the mount point
    const QString camera = dir.filePath("camera");
    QDir().mkpath(card);
    QDir().mkpath(camera);
    for (int minute = 0; minute < 3; ++minute)
        qlm::test::WriteFile(card + "/" + qlm::RecordingNameFor(QDate(2024, 10, 25), QTime(14, minute, 27)),
                             QByteArray(600, '\0'));
    qlm::test::WriteFile(card + "/PHOTO001.JPG", "jpeg");
    qlm::test::WriteFile(camera + "/PHOTO001.JPG", "jpeg");
    qlm::test::WriteFile(table, "proc /proc proc rw 0 0\n");

    qlm::MountWatcher watcher(nullptr, table);
    EXPECT_TRUE(watcher.IsWatching());
    EXPECT_EQ(watcher.MountPoints(), QStringList({"/proc"}));
    qlm::CardArrival arrival(&watcher, nullptr);
    QSignalSpy mounted(&watcher, &qlm::MountWatcher::Mounted);
    QSignalSpy arrived(&arrival, &qlm::CardArrival::CardArrived);
    QSignalSpy removed(&arrival, &qlm::CardArrival::CardRemoved);

    qlm::test::WriteFile(table, "proc /proc proc rw 0 0\n" + Line(camera) + Line(card));
    watcher.Rescan();
    EXPECT_EQ(mounted.size(), 2);
    ASSERT_EQ(arrived.size(), 1);  // the camera's card holds no recordings
    const auto found = arrived.at(0).at(0).value<qlm::CardVolume>();
    EXPECT_EQ(found.root, card);
    EXPECT_EQ(found.recordings, 3);
    EXPECT_FALSE(found.name.isEmpty());
    EXPECT_EQ(arrival.Cards().size(), 1);

    qlm::test::WriteFile(table, "proc /proc proc rw 0 0\n" + Line(card));
    watcher.Rescan();
    EXPECT_EQ(removed.size(), 0);  // only the camera went
    qlm::test::WriteFile(table, "proc /proc proc rw 0 0\n");
    watcher.Rescan();
    ASSERT_EQ(removed.size(), 1);
    EXPECT_EQ(removed.at(0).at(0).toString(), card);
    EXPECT_TRUE(arrival.Cards().isEmpty());
}
