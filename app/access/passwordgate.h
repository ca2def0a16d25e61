// Signing in and changing the password as the window and qlmtool both do
// it: the same rules, the same brake on guessing, the same messages. The
// password routines of dealpwd.h stay below, without the brake.
#pragma once

#include <QString>

#include "app/access/brake.h"
#include "app/access/dealpwd.h"
#include "platform/error.h"

namespace qlm {

enum class AccessOutcome {
    Done,            // signed in, or the password was changed
    WrongPassword,   // sign-in: not the password
    OldWrong,        // change: the old password is not the password
    TooEarly,        // the brake holds: nothing was checked
    NewDiffers,      // change: the new password and its confirmation differ
    NewNotStorable,  // change: a character the file cannot keep
    NewTooLong,      // change: more than 16 characters
    FileProblem,     // the password file cannot be used (see fileProblem, error)
    NotSaved,        // change: the old password was right, the write failed; it still holds
};

struct AccessResult {
    AccessOutcome outcome = AccessOutcome::WrongPassword;
    PasswordFileProblem fileProblem = PasswordFileProblem::None;
    Error error;
    qint64 waitMs = 0;  // TooEarly: still to wait; wrong: the wait before the next try
    int failures = 0;   // wrong passwords in a row after this try
};

// Refuse: a try the brake does not allow yet returns TooEarly (the window,
// whose loop must go on). Wait: it waits until allowed, telling notice first
// (qlmtool).
enum class BrakeMode { Refuse, Wait };

AccessResult SignInAttempt(const QString& entered, BrakeMode mode, const BrakeNotice& notice = {});

// The new password must equal its confirmation exactly (case and blanks)
// and be storable as it is; only then is the old one looked at, under the
// brake. Blanks around either password do not count, as at sign-in.
AccessResult ChangePasswordAttempt(const QString& oldPassword, const QString& newPassword, const QString& again,
                                   BrakeMode mode, const BrakeNotice& notice = {});

// The message for any outcome but Done, from the string library (English
// when it is not loaded). A wrong password after the free tries says how
// long the next try waits.
QString AccessMessage(const AccessResult& result);
// That last line alone; empty while the brake is off.
QString BrakeNextTryText(const AccessResult& result);
// What qlmtool says while it waits for the brake.
QString BrakeWaitingText(qint64 waitMs);
// Milliseconds as whole seconds, rounded up (a wait is never shown as 0).
qint64 WaitSeconds(qint64 milliseconds);

}  // namespace qlm
