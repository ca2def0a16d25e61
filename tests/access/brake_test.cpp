// The brake on guessing, on a stopped clock: the delays it imposes, its
// count shared by real processes, and what it does when its file is not
// one it can use.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "app/access/passwordgate.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "tests/access/accessfixture.h"
#include "tests/support/testsupport.h"

using namespace qlm;

namespace {

AccessResult Guess(const QString& password) { return SignInAttempt(password, BrakeMode::Refuse); }

}  // namespace

TEST(Brake, ThreeFreeTriesThenDoublingWaitsUpToHalfAMinute) {
    test::AppFolder app;
    test::FakeBrakeClock clock;
    ASSERT_TRUE(SavePassword("", "right one"));

    QList<qint64> waits;
    for (int i = 0; i < 3; ++i) {
        const AccessResult r = Guess("guess");
        ASSERT_EQ(r.outcome, AccessOutcome::WrongPassword);
        EXPECT_EQ(r.failures, i + 1);
        waits << r.waitMs;
    }
    // From here each wrong try is allowed only once the last wait is over;
    // a try before that is not looked at, not even a right one.
    for (int i = 0; i < 7; ++i) {
        const qint64 wait = waits.last();
        ASSERT_GT(wait, 0);
        clock.Advance(wait - 1);
        AccessResult early = Guess("right one");
        EXPECT_EQ(early.outcome, AccessOutcome::TooEarly);
        EXPECT_EQ(early.waitMs, 1);
        EXPECT_EQ(early.failures, 3 + i);
        EXPECT_EQ(AccessMessage(early), LibStr(str::BrakeWait).arg(1));
        clock.Advance(1);
        const AccessResult r = Guess("guess");
        ASSERT_EQ(r.outcome, AccessOutcome::WrongPassword);
        waits << r.waitMs;
        EXPECT_EQ(AccessMessage(r),
                  LibStr(str::WrongPassword) + u'\n' + LibStr(str::BrakeNextTry).arg(r.failures).arg(r.waitMs / 1000));
    }
    EXPECT_EQ(waits, QList<qint64>({0, 0, 1000, 2000, 4000, 8000, 16000, 30000, 30000, 30000}));
    EXPECT_EQ(AccessMessage(Guess("x")), LibStr(str::BrakeWait).arg(30));

    // A right password after the wait signs in and releases the brake; its
    // file goes with it.
    clock.Advance(30000);
    EXPECT_EQ(Guess("  right one ").outcome, AccessOutcome::Done);
    EXPECT_EQ(ReadBrakeState().failures, 0);
    EXPECT_FALSE(QFile::exists(BrakeFilePath()));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Guess("guess").waitMs, i < 2 ? 0 : 1000);

    // The change dialog's old password is a guess like any other; a new
    // password that is refused before it is looked at is none.
    clock.Advance(1000);
    EXPECT_EQ(ChangePasswordAttempt("guess", "new", "new", BrakeMode::Refuse).outcome, AccessOutcome::OldWrong);
    EXPECT_EQ(ChangePasswordAttempt("right one", "new", "new", BrakeMode::Refuse).outcome, AccessOutcome::TooEarly);
    EXPECT_EQ(ChangePasswordAttempt("guess", "new", "New", BrakeMode::Refuse).outcome, AccessOutcome::NewDiffers);
    EXPECT_EQ(ReadBrakeState().failures, 4);
    clock.Advance(2000);
    EXPECT_EQ(ChangePasswordAttempt("right one", "new", "new", BrakeMode::Refuse).outcome, AccessOutcome::Done);
    EXPECT_EQ(ReadBrakeState().failures, 0);

    // A clock set back leaves no longer wait than the longest.
    test::WriteFile(BrakeFilePath(), QByteArray::number(40) + ' ' + QByteArray::number(clock.Now() + 3600000));
    EXPECT_EQ(Guess("new").waitMs, 30000);
    clock.Advance(30000);
    EXPECT_EQ(Guess("new").outcome, AccessOutcome::Done);
    // A damaged file counts as no failures.
    test::WriteFile(BrakeFilePath(), "garbage\n");
    EXPECT_EQ(Guess("guess").failures, 1);
}

// qlmtool's way: the try waits through the clock until it is allowed, then
// is checked; what it waited is said first.
TEST(Brake, AWaitingTrySleepsThroughTheRestOfTheWait) {
    test::AppFolder app;
    test::FakeBrakeClock clock;
    QList<qint64> noticed;
    const BrakeNotice notice = [&](qint64 ms, int) { noticed << ms; };
    for (int i = 0; i < 5; ++i)
        SignInAttempt("guess", BrakeMode::Wait, notice);
    EXPECT_EQ(clock.Sleeps(), QList<qint64>({1000, 2000}));
    clock.Advance(1500);
    const AccessResult r = SignInAttempt("", BrakeMode::Wait, notice);
    EXPECT_EQ(r.outcome, AccessOutcome::Done);
    EXPECT_EQ(clock.Sleeps(), QList<qint64>({1000, 2000, 2500}));
    EXPECT_EQ(noticed, clock.Sleeps());
    EXPECT_EQ(BrakeWaitingText(2500), LibStr(str::BrakeWaiting).arg(3));
}

// Real processes, all at one moment of the stopped clock: however they
// interleave, three of them are checked and the rest held back, and the
// count is the same for all.
TEST(Brake, ProcessesShareOneCount) {
    test::AppFolder app;
    test::FakeBrakeClock clock;
    constexpr int kChildren = 8;
    QList<pid_t> children;
    for (int i = 0; i < kChildren; ++i) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const AccessResult r = Guess("guess");
            ::_exit(r.outcome == AccessOutcome::WrongPassword ? 10 : r.outcome == AccessOutcome::TooEarly ? 11 : 12);
        }
        children << child;
    }
    int checked = 0;
    int heldBack = 0;
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        checked += WEXITSTATUS(status) == 10;
        heldBack += WEXITSTATUS(status) == 11;
    }
    EXPECT_EQ(checked, 3);
    EXPECT_EQ(heldBack, kChildren - 3);
    EXPECT_EQ(ReadBrakeState().failures, 3);
    EXPECT_EQ(Guess("").outcome, AccessOutcome::TooEarly);
    const QFileInfo file(BrakeFilePath());
    EXPECT_EQ(file.permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther), 0);

    // A process killed while its password is being checked has used its try.
    clock.Advance(1000);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        TryUnderBrake([]() -> TryVerdict { ::_exit(0); });
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(ReadBrakeState().failures, 4);
}

// What stands at the state file's name is not ours to use: the brake keeps
// its count in the process instead, and nothing hangs.
TEST(Brake, AnUnusableStateFileStillBrakesWithinTheProcess) {
    test::AppFolder app;
    test::FakeBrakeClock clock;
    const QString path = BrakeFilePath();
    const QString target = app.file("elsewhere");
    const auto unusable = {+[](const QString& p, const QString&) { return QDir().mkdir(p); },
                           +[](const QString& p, const QString&) { return ::mkfifo(QFile::encodeName(p), 0600) == 0; },
                           +[](const QString& p, const QString& t) { return QFile::link(t, p); }};
    for (const auto make : unusable) {
        ASSERT_TRUE(make(path, target));
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(Guess("guess").outcome, AccessOutcome::WrongPassword);
        EXPECT_EQ(Guess("").outcome, AccessOutcome::TooEarly);
        EXPECT_EQ(ReadBrakeState().failures, 3);
        clock.Advance(1000);
        EXPECT_EQ(Guess("").outcome, AccessOutcome::Done);
        EXPECT_FALSE(QFile::exists(target));  // the link was not followed
        QFileInfo(path).isDir() ? static_cast<void>(QDir().rmdir(path)) : static_cast<void>(QFile::remove(path));
    }
}
