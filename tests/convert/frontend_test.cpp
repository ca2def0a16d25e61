// The front-end automation's counts, waits and texts against a front-end
// simulated in memory.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "app/catalogue/store.h"
#include "app/convert/frontend.h"
#include "platform/appfolder.h"
#include "tests/convert/fake_windows.h"
#include "tests/support/testsupport.h"

namespace qlm::test {
namespace {

class FrontEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetWindowSystem(&fake);
        FrontEndProcessId = 0;
        source = work.filePath(QStringLiteral("A2505143.527.Dat"));
        destination = work.filePath(QStringLiteral("A2505143.527.qlm.wav"));
        WriteFile(source, QByteArray(24, '\x80'));
    }
    void TearDown() override {
        SetWindowSystem(nullptr);
        FrontEndProcessId = 0;
    }

    AppFolder app;
    QTemporaryDir workDir;
    QDir work{workDir.path()};
    FakeWindowSystem fake;
    QString source, destination;
    StringLines lines;
};

TEST_F(FrontEndTest, DecodesWithFreshFrontEndStartedInTempFolderAndKeepsItForTheNextFile) {
    lines.AddLine(QStringLiteral("1/2 -  "));
    lines.AddLine(QStringLiteral("2/2 -  "));
    lines.SelectLine(0);
    DecodeWithFrontEnd(source, destination, lines);

    ASSERT_TRUE(QFile::exists(destination));
    ASSERT_EQ(fake.processes.size(), 1);
    const FakeProcess& p = fake.processes[0];
    EXPECT_EQ(fake.lastProgram, JoinPath(app.path(), QStringLiteral("voxform")));
    // This process's own folder in the work folder.
    EXPECT_EQ(QDir(p.workingFolder).canonicalPath(), QDir(GetTempFolder()).canonicalPath());
    EXPECT_EQ(QFileInfo(QDir::cleanPath(p.workingFolder)).path(), app.file(QStringLiteral("temp")));
    EXPECT_EQ(FrontEndProcessId, p.pid);
    // Moved out of sight, Alt+D pressed, the boxes left empty for the next file.
    EXPECT_TRUE(fake.log.contains(QStringLiteral("move %1 1600 1600 1").arg(p.pid)));
    EXPECT_TRUE(fake.log.contains(QStringLiteral("keys %1 %D").arg(p.pid)));
    EXPECT_EQ(p.wavText, QString());
    EXPECT_EQ(p.datText, QString());
    EXPECT_EQ(lines.lines, QStringList({QStringLiteral("1/2 -  "), QStringLiteral("2/2 -  ")}));

    // The second file goes to the same process.
    const QString second = work.filePath(QStringLiteral("second.qlm.wav"));
    DecodeWithFrontEnd(source, second, lines);
    EXPECT_TRUE(QFile::exists(second));
    EXPECT_EQ(fake.Starts(), 1);
    EXPECT_EQ(fake.processes[0].decodes, 2);

    CloseFrontEnd();
    EXPECT_FALSE(fake.processes[0].alive);
    EXPECT_EQ(FrontEndProcessId, 0);
}

TEST_F(FrontEndTest, PathsGoIntoTheBoxesByChildOrder) {
    // Read the boxes at the moment of Alt+D: keep the process from clearing them.
    struct Spy : FakeWindowSystem {
        QString wav, dat;
        bool SendKeys(qint64 pid, const QString& keys) override {
            if (keys == u"%D" && Process(pid)) {
                wav = Process(pid)->wavText;
                dat = Process(pid)->datText;
            }
            return FakeWindowSystem::SendKeys(pid, keys);
        }
    } spy;
    spy.plan = {OnDecode::WriteOutput};
    SetWindowSystem(&spy);
    DecodeWithFrontEnd(source, destination, lines);
    EXPECT_EQ(spy.wav, destination);  // first text box: the WAV file
    EXPECT_EQ(spy.dat, source);       // second: the codec data
}

TEST_F(FrontEndTest, ErrorBoxIsAnsweredWithEnterAndTheFrontEndRestarted) {
    fake.plan = {OnDecode::ShowErrorBox, OnDecode::WriteOutput};
    DecodeWithFrontEnd(source, destination, lines);

    ASSERT_EQ(fake.processes.size(), 2);
    const qint64 first = fake.processes[0].pid;
    const qint64 second = fake.processes[1].pid;
    const QStringList expected = {
        QStringLiteral("start"),
        QStringLiteral("move %1 1600 1600 1").arg(first),
        QStringLiteral("keys %1 %D").arg(first),
        QStringLiteral("keys %1 {Enter}").arg(first),
        QStringLiteral("start"),
        QStringLiteral("move %1 1600 1600 1").arg(second),
        QStringLiteral("keys %1 %D").arg(second),
    };
    EXPECT_EQ(fake.log, expected);
    EXPECT_FALSE(fake.processes[0].alive);
    EXPECT_TRUE(QFile::exists(destination));
    // The line was given the retry mark; a success leaves the result line to the caller.
    ASSERT_EQ(lines.LineCount(), 1);
    EXPECT_EQ(lines.lines[0], QStringLiteral("Retry: ") + source);
}

TEST_F(FrontEndTest, ABoxLeftOpenAfterTheOutputIsAnsweredBeforeTheNextFile) {
    // The front-end wrote its output, then opened a box: left so, it would
    // swallow the next file's Alt+D and cost that file an attempt.
    fake.plan = {OnDecode::WriteOutputThenBox};
    lines.AddLine(QStringLiteral("1/2 -  "));
    lines.SelectLine(0);
    DecodeWithFrontEnd(source, destination, lines);
    ASSERT_TRUE(QFile::exists(destination));
    ASSERT_EQ(fake.processes.size(), 1);
    EXPECT_FALSE(fake.processes[0].errorBox);
    EXPECT_TRUE(fake.processes[0].alive);

    const QString second = work.filePath(QStringLiteral("A2505150.101.qlm.wav"));
    lines.AddLine(QStringLiteral("2/2 -  "));
    lines.SelectLine(1);
    DecodeWithFrontEnd(source, second, lines);
    EXPECT_TRUE(QFile::exists(second));
    EXPECT_EQ(fake.Starts(), 1);
    EXPECT_EQ(fake.processes[0].decodes, 2);
    EXPECT_EQ(lines.lines, (QStringList{QStringLiteral("1/2 -  "), QStringLiteral("2/2 -  ")}));  // no retry
    EXPECT_EQ(fake.log.filter(QStringLiteral("{Enter}")).size(), 2);
}

TEST_F(FrontEndTest, TwentyFailedAttemptsLeaveRetryMark) {
    fake.plan = {OnDecode::ShowErrorBox};
    DecodeWithFrontEnd(source, destination, lines);
    EXPECT_EQ(fake.Starts(), 20);
    EXPECT_EQ(fake.log.filter(QStringLiteral("{Enter}")).size(), 20);
    EXPECT_EQ(lines.lines, QStringList{QStringLiteral("Retry: ") + source});
    EXPECT_FALSE(QFile::exists(destination));
    EXPECT_EQ(FrontEndProcessId, 0);

    // A front-end whose window never shows: each attempt gives up after 101
    // looks 20 ms apart and closes nothing it could not find.
    FakeWindowSystem silent;
    silent.plan = {OnDecode::NoWindow};
    SetWindowSystem(&silent);
    StringLines other;
    DecodeWithFrontEnd(source, destination, other);
    EXPECT_EQ(silent.Starts(), 20);
    EXPECT_EQ(silent.log.filter(QStringLiteral("keys")).size(), 0);
    EXPECT_EQ(silent.now, 20 * (101 * 20 + 100));
    EXPECT_EQ(other.lines, QStringList{QStringLiteral("Retry: ") + source});
}

TEST_F(FrontEndTest, MissingSourceStartsNothing) {
    const QString missing = work.filePath(QStringLiteral("gone.Dat"));
    DecodeWithFrontEnd(missing, destination, lines);
    EXPECT_EQ(fake.Starts(), 0);
    EXPECT_EQ(lines.lines, QStringList{QStringLiteral("No Source: ") + missing});
    EXPECT_EQ(lines.selected, 0);

    // With lines but none selected, the last one gets the text.
    StringLines two;
    two.AddLine(QStringLiteral("a"));
    two.AddLine(QStringLiteral("b"));
    DecodeWithFrontEnd(missing, destination, two);
    EXPECT_EQ(two.lines, QStringList({QStringLiteral("a"), QStringLiteral("No Source: ") + missing}));
}

TEST_F(FrontEndTest, OutputThatNeverAppearsFailsAfterThreeSeconds) {
    fake.plan = {OnDecode::Nothing};
    const qint64 before = fake.now;
    EXPECT_FALSE(WaitForFile(destination, 3000));
    EXPECT_EQ(fake.fileProbes, 152);
    EXPECT_EQ(fake.now - before, 152 * 20);
    fake.fileProbes = 0;
    EXPECT_FALSE(WaitForFile(destination, 2000));
    EXPECT_EQ(fake.fileProbes, 102);
    fake.fileProbes = 0;
    EXPECT_TRUE(WaitForFile(source, 2000));
    EXPECT_EQ(fake.fileProbes, 1);

    DecodeWithFrontEnd(source, destination, lines);
    EXPECT_EQ(fake.Starts(), 20);
    EXPECT_EQ(lines.lines, QStringList{QStringLiteral("Retry: ") + source});
}

TEST_F(FrontEndTest, RunningFrontEndWithKnownProcessIsReused) {
    StartFrontEnd();
    ASSERT_EQ(fake.Starts(), 1);
    const qint32 pid = FrontEndProcessId;
    EXPECT_NE(StartFrontEnd(), 0u);
    EXPECT_EQ(fake.Starts(), 1);
    EXPECT_EQ(FrontEndProcessId, pid);

    // Once it has ended, the next start makes a new one.
    fake.Process(pid)->alive = false;
    EXPECT_NE(StartFrontEnd(), 0u);
    EXPECT_EQ(fake.Starts(), 2);
    EXPECT_NE(FrontEndProcessId, pid);
}

TEST_F(FrontEndTest, ForeignFrontEndWindowIsNotTypedInto) {
    // A front-end this program did not start: ours is started and driven;
    // the foreign one's boxes stay as they were, until a run closes all.
    FakeProcess& foreign = fake.AddForeignFrontEnd();
    const qint64 foreignPid = foreign.pid;
    DecodeWithFrontEnd(source, destination, lines);
    EXPECT_EQ(fake.Starts(), 1);
    EXPECT_TRUE(QFile::exists(destination));
    EXPECT_EQ(fake.Process(foreignPid)->decodes, 0);
    EXPECT_EQ(fake.Process(foreignPid)->datText, QString());
    EXPECT_NE(FrontEndProcessId, foreignPid);

    CloseFrontEnd();
    EXPECT_FALSE(fake.Process(foreignPid)->alive);
    EXPECT_TRUE(fake.log.contains(QStringLiteral("close %1").arg(foreignPid)));
}

TEST_F(FrontEndTest, ClosingSparesOtherRunsAndEndsWhatIsOurs) {
    // Front-ends in the work folder: one of a live run (its folder locked),
    // a hung one of a run that was killed, and a hung one started by hand.
    const QString work = app.file(QStringLiteral("temp"));
    const QString live = JoinPath(work, QStringLiteral("run-live01"));
    const QString dead = JoinPath(work, QStringLiteral("run-dead01"));
    QDir().mkpath(live);
    QDir().mkpath(dead);
    const int lock = ::open(QFile::encodeName(live).constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    FakeProcess& other = fake.AddForeignFrontEnd();
    other.workingFolder = live;
    const qint64 otherPid = other.pid;
    FakeProcess& orphan = fake.AddForeignFrontEnd();
    orphan.workingFolder = dead;
    orphan.ignoresClose = true;
    const qint64 orphanPid = orphan.pid;
    FakeProcess& stranger = fake.AddForeignFrontEnd();
    stranger.ignoresClose = true;
    const qint64 strangerPid = stranger.pid;
    StartFrontEnd();
    const qint64 ours = FrontEndProcessId;

    CloseFrontEnd();
    EXPECT_TRUE(fake.Process(otherPid)->alive);
    EXPECT_EQ(fake.log.filter(QStringLiteral("close %1").arg(otherPid)).size(), 0);
    EXPECT_FALSE(fake.Process(ours)->alive);
    EXPECT_FALSE(fake.Process(orphanPid)->alive);
    EXPECT_TRUE(fake.log.contains(QStringLiteral("end %1").arg(orphanPid)));
    EXPECT_TRUE(fake.Process(strangerPid)->alive);  // not ours to kill
    EXPECT_EQ(fake.log.filter(QStringLiteral("end %1").arg(strangerPid)).size(), 0);
    const qsizetype asked = fake.log.filter(QStringLiteral("close %1").arg(strangerPid)).size();
    EXPECT_EQ(asked, 101);

    // The next run does not wait for the stranger again.
    const qint64 before = fake.now;
    CloseFrontEnd();
    EXPECT_EQ(fake.log.filter(QStringLiteral("close %1").arg(strangerPid)).size(), asked);
    EXPECT_EQ(fake.now, before);
    ::close(lock);
}

TEST_F(FrontEndTest, TextIsSetAgainUntilItReadsBack) {
    StartFrontEnd();
    FakeProcess* p = fake.Process(FrontEndProcessId);
    ASSERT_NE(p, nullptr);
    p->ignoreSets = 3;
    const qint64 before = fake.now;
    SetTextVerified(p->Dat(), QStringLiteral("C:/x.Dat"));
    EXPECT_EQ(p->datText, QStringLiteral("C:/x.Dat"));
    EXPECT_EQ(fake.now - before, 3 * 20);

    // A box that never takes its text costs 31 tries and is not reported.
    p->ignoreSets = 1000;
    const qint64 start = fake.now;
    SetTextVerified(p->Wav(), QStringLiteral("y.wav"));
    EXPECT_EQ(p->ignoreSets, 1000 - 31);
    EXPECT_EQ(fake.now - start, 31 * 20);
}

}  // namespace
}  // namespace qlm::test
