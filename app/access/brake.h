// A brake on guessing the password. The first three wrong passwords in a row
// cost nothing; after that each further try must wait, 1 s after the third,
// then 2, 4, 8 and 16 s, and 30 s from then on. A right password releases the
// brake. The count is the user's, shared by every process of that user (the
// window and any number of qlmtool runs): it lives in a small file in the
// user's state folder, read and updated under an exclusive lock, so parallel
// guessers queue behind one another instead of adding up.
//
// State file: one line of text, "FAILURES NOT_BEFORE\n", NOT_BEFORE in
// milliseconds since the epoch; mode 0600. A file that is missing or
// damaged counts as no failures. When the file cannot be used (a read-only
// medium, something not ours at its name) the brake still holds within the
// process.
#pragma once

#include <functional>

#include <QString>

namespace qlm {

inline constexpr int kFreePasswordTries = 3;
inline constexpr qint64 kLongestBrakeMs = 30000;

// The wait before the next try after this many wrong passwords in a row.
qint64 BrakeDelayMs(int failures);

// The clock the brake runs on: wall-clock milliseconds (comparable between
// processes) and a sleep. Test seam: tests set a clock of their own and
// check the delays without sleeping; an empty member means the system's.
struct BrakeClock {
    std::function<qint64()> now;
    std::function<void(qint64 milliseconds)> sleep;
};
void SetBrakeClock(BrakeClock clock);
qint64 BrakeNow();

// The state file of the current user and application folder.
QString BrakeFilePath();

struct BrakeState {
    int failures = 0;        // wrong passwords in a row
    qint64 notBeforeMs = 0;  // no try is judged before this time
};
// The state as it stands; a time far ahead (the clock was set back) counts
// as at most the longest wait from now.
BrakeState ReadBrakeState();

// How a try under the brake ended.
enum class TryVerdict {
    Right,      // releases the brake
    Wrong,      // counts
    NotJudged,  // the password could not be compared (its file unusable): counts for nothing
};
struct BrakedTry {
    bool judged = false;  // false: too early, the check was not run
    TryVerdict verdict = TryVerdict::NotJudged;
    qint64 waitMs = 0;  // not judged: still to wait; wrong: the wait before the next try
    int failures = 0;   // wrong passwords in a row after this try
};

// One try: runs check under the lock when the brake allows it now, else
// returns at once with what is left to wait. The try counts as wrong until
// check has said otherwise, so a process killed while checking has used it.
BrakedTry TryUnderBrake(const std::function<TryVerdict()>& check);

// Like TryUnderBrake, but waits (through the clock's sleep) until the brake
// allows the try, calling notice before each wait; for qlmtool.
using BrakeNotice = std::function<void(qint64 waitMs, int failures)>;
BrakedTry TryAfterBrake(const std::function<TryVerdict()>& check, const BrakeNotice& notice);

}  // namespace qlm
