#include "app/access/brake.h"

#include <cerrno>
#include <cstdio>
#include <ctime>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QFile>
#include <QHash>

#include "platform/appfolder.h"
#include "platform/userstate.h"

namespace qlm {
namespace {

// How long a lock held by another process is waited for before the brake
// falls back to this process's own count: a peer that hangs must not hang
// the sign-in.
constexpr int kLockPolls = 200;
constexpr useconds_t kLockPollMicroseconds = 10000;
constexpr int kMostFailures = 1000000;

BrakeClock& Clock() {
    static BrakeClock clock;
    return clock;
}

void Sleep(qint64 milliseconds) {
    if (Clock().sleep) {
        Clock().sleep(milliseconds);
        return;
    }
    timespec left{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

// The count when the file cannot be used, kept for the file it stands for.
BrakeState& OwnState() {
    static QHash<QString, BrakeState> states;
    return states[BrakeFilePath()];
}

BrakeState Sane(BrakeState state, qint64 now) {
    if (state.failures < 0)
        state.failures = 0;
    if (state.failures > kMostFailures)
        state.failures = kMostFailures;
    if (state.notBeforeMs > now + kLongestBrakeMs)
        state.notBeforeMs = now + kLongestBrakeMs;
    return state;
}

// The state file, opened and locked; closing it releases the lock.
class LockedState {
public:
    LockedState() {
        const QByteArray name = QFile::encodeName(BrakeFilePath());
        for (int round = 0; round < 3 && fd_ < 0; ++round)
            OpenOnce(name);
    }
    ~LockedState() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    LockedState(const LockedState&) = delete;
    LockedState& operator=(const LockedState&) = delete;

    bool Usable() const { return fd_ >= 0; }

    BrakeState Read() const {
        BrakeState state;
        char text[64] = {};
        const ssize_t n = ::pread(fd_, text, sizeof text - 1, 0);
        long long failures = 0;
        long long notBefore = 0;
        if (n > 0 && std::sscanf(text, "%lld %lld", &failures, &notBefore) == 2) {
            state.failures = static_cast<int>(qBound(0LL, failures, static_cast<long long>(kMostFailures)));
            state.notBeforeMs = notBefore;
        }
        return state;
    }

    // A lost update costs one try's count at most; no sync needed.
    void Write(const BrakeState& state) const {
        char text[64];
        const int n =
            std::snprintf(text, sizeof text, "%d %lld\n", state.failures, static_cast<long long>(state.notBeforeMs));
        if (n > 0 && ::pwrite(fd_, text, static_cast<size_t>(n), 0) == n)
            static_cast<void>(::ftruncate(fd_, n));
    }

    // Nothing to remember: no file, so the folder holds only what the user
    // put there. Done under the lock; a peer waiting on this file sees that
    // it was unlinked and opens the path anew.
    void Remove() const { ::unlink(QFile::encodeName(BrakeFilePath()).constData()); }

private:
    void OpenOnce(const QByteArray& name) {
        // No link is followed and nothing but a regular file of ours is
        // taken: another user's file at this name must not steer our count.
        const int fd =
            ::open(name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
        if (fd < 0)
            return;
        struct stat own {};
        if (::fstat(fd, &own) != 0 || !S_ISREG(own.st_mode) || own.st_uid != ::geteuid() || !Lock(fd)) {
            ::close(fd);
            return;
        }
        // The file may have been removed while we waited for its lock.
        struct stat now {};
        if (::stat(name.constData(), &now) != 0 || now.st_ino != own.st_ino || now.st_dev != own.st_dev) {
            ::close(fd);
            return;
        }
        fd_ = fd;
    }

    static bool Lock(int fd) {
        for (int poll = 0; poll < kLockPolls; ++poll) {
            if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
                return true;
            if (errno != EWOULDBLOCK && errno != EINTR)
                return false;
            ::usleep(kLockPollMicroseconds);
        }
        return false;
    }

    int fd_ = -1;
};

BrakedTry Attempt(const std::function<TryVerdict()>& check) {
    LockedState file;
    const qint64 now = BrakeNow();
    const BrakeState before = Sane(file.Usable() ? file.Read() : OwnState(), now);
    BrakedTry result;
    result.failures = before.failures;
    if (now < before.notBeforeMs) {
        // Kept as cut to the longest wait: a clock set back must not go on
        // holding every try until it has caught up.
        OwnState() = before;
        if (file.Usable())
            file.Write(before);
        result.waitMs = before.notBeforeMs - now;
        return result;
    }
    const auto store = [&file](const BrakeState& state) {
        OwnState() = state;
        if (!file.Usable())
            return;
        if (state.failures == 0)
            file.Remove();
        else
            file.Write(state);
    };
    // Counted before the check: killing a run that is checking gains nothing.
    const int failures = qMin(before.failures + 1, kMostFailures);
    const BrakeState wrong{failures, now + BrakeDelayMs(failures)};
    store(wrong);
    result.judged = true;
    result.verdict = check();
    switch (result.verdict) {
    case TryVerdict::Wrong:
        result.failures = wrong.failures;
        result.waitMs = BrakeDelayMs(wrong.failures);
        break;
    case TryVerdict::Right:
        store(BrakeState{});
        result.failures = 0;
        break;
    case TryVerdict::NotJudged:
        store(before);
        break;
    }
    return result;
}

}  // namespace

qint64 BrakeDelayMs(int failures) {
    if (failures < kFreePasswordTries)
        return 0;
    const int doublings = failures - kFreePasswordTries;
    if (doublings >= 5)
        return kLongestBrakeMs;
    return qMin(kLongestBrakeMs, qint64{1000} << doublings);
}

void SetBrakeClock(BrakeClock clock) { Clock() = std::move(clock); }

qint64 BrakeNow() { return Clock().now ? Clock().now() : QDateTime::currentMSecsSinceEpoch(); }

QString BrakeFilePath() {
    // One file per user, also where several users share a portable folder.
    return JoinPath(UserStateFolders().settings, QStringLiteral("qlm6200.tries.%1").arg(::geteuid()));
}

BrakeState ReadBrakeState() {
    const LockedState file;
    if (!file.Usable())
        return Sane(OwnState(), BrakeNow());
    const BrakeState state = Sane(file.Read(), BrakeNow());
    if (state.failures == 0)
        file.Remove();  // made by this look; nothing to keep
    return state;
}

BrakedTry TryUnderBrake(const std::function<TryVerdict()>& check) { return Attempt(check); }

BrakedTry TryAfterBrake(const std::function<TryVerdict()>& check, const BrakeNotice& notice) {
    for (;;) {
        const BrakedTry result = Attempt(check);
        if (result.judged)
            return result;
        if (notice)
            notice(result.waitMs, result.failures);
        Sleep(result.waitMs);
    }
}

}  // namespace qlm
