#include "app/access/passwordgate.h"

#include "app/strings/strlib.h"
#include "app/strings/strnames.h"

namespace qlm {
namespace {

BrakedTry Braked(BrakeMode mode, const std::function<TryVerdict()>& check, const BrakeNotice& notice) {
    return mode == BrakeMode::Wait ? TryAfterBrake(check, notice) : TryUnderBrake(check);
}

// Reads the field, classifying a file that cannot be used; false then.
bool ReadField(AccessResult* result, QString* field) {
    *field = ReadPasswordFile(&result->error, &result->fileProblem);
    if (!result->error.IsSet())
        return true;
    result->outcome = AccessOutcome::FileProblem;
    return false;
}

void TakeBrake(const BrakedTry& braked, AccessResult* result) {
    result->failures = braked.failures;
    result->waitMs = braked.waitMs;
    if (!braked.judged)
        result->outcome = AccessOutcome::TooEarly;
}

QString FileProblemText(const AccessResult& result) {
    switch (result.fileProblem) {
    case PasswordFileProblem::Folder:
        return LibStr(str::PasswordFileIsFolder,
                      QStringLiteral("The password file is a folder, not a file; nobody can sign in:"));
    case PasswordFileProblem::NotRegular:
        return LibStr(str::PasswordFileNotRegular,
                      QStringLiteral("The password file is not an ordinary file (a FIFO, device or socket):"));
    case PasswordFileProblem::NoAccess:
        return LibStr(str::PasswordFileNoAccess, QStringLiteral("This user may not read the password file:"));
    case PasswordFileProblem::None:
    case PasswordFileProblem::Unreadable:
        break;
    }
    return LibStr(str::PasswordUnreadable, QStringLiteral("The password file could not be read."));
}

QString WithDetail(const QString& text, const QString& detail) {
    return detail.isEmpty() ? text : text + u'\n' + detail;
}

}  // namespace

qint64 WaitSeconds(qint64 milliseconds) { return milliseconds <= 0 ? 0 : (milliseconds + 999) / 1000; }

AccessResult SignInAttempt(const QString& entered, BrakeMode mode, const BrakeNotice& notice) {
    AccessResult result;
    const BrakedTry braked = Braked(
        mode,
        [&] {
            QString field;
            if (!ReadField(&result, &field))
                return TryVerdict::NotJudged;
            if (!PasswordMatches(entered, field))
                return TryVerdict::Wrong;
            result.outcome = AccessOutcome::Done;
            return TryVerdict::Right;
        },
        notice);
    TakeBrake(braked, &result);
    return result;
}

AccessResult ChangePasswordAttempt(const QString& oldPassword, const QString& newPassword, const QString& again,
                                   BrakeMode mode, const BrakeNotice& notice) {
    AccessResult result;
    if (newPassword != again) {
        result.outcome = AccessOutcome::NewDiffers;
        return result;
    }
    switch (CheckNewPassword(newPassword)) {
    case NewPasswordProblem::None:
        break;
    case NewPasswordProblem::Character:
        result.outcome = AccessOutcome::NewNotStorable;
        return result;
    case NewPasswordProblem::TooLong:
        result.outcome = AccessOutcome::NewTooLong;
        return result;
    }
    result.outcome = AccessOutcome::OldWrong;
    const BrakedTry braked = Braked(
        mode,
        [&] {
            QString field;
            if (!ReadField(&result, &field))
                return TryVerdict::NotJudged;
            if (!PasswordMatches(oldPassword, field))
                return TryVerdict::Wrong;
            // The old password was right, whatever the write does next.
            result.outcome =
                SavePassword(oldPassword, newPassword, &result.error) ? AccessOutcome::Done : AccessOutcome::NotSaved;
            return TryVerdict::Right;
        },
        notice);
    TakeBrake(braked, &result);
    return result;
}

QString BrakeNextTryText(const AccessResult& result) {
    if (result.waitMs <= 0 || result.failures < kFreePasswordTries)
        return QString();
    return LibStr(str::BrakeNextTry, QStringLiteral("%1 wrong passwords in a row: the next try waits %2 s."))
        .arg(result.failures)
        .arg(WaitSeconds(result.waitMs));
}

QString BrakeWaitingText(qint64 waitMs) {
    return LibStr(str::BrakeWaiting,
                  QStringLiteral("Too many wrong passwords in a row: waiting %1 s before this one is checked."))
        .arg(WaitSeconds(waitMs));
}

QString AccessMessage(const AccessResult& result) {
    switch (result.outcome) {
    case AccessOutcome::Done:
        break;
    case AccessOutcome::WrongPassword:
        return WithDetail(LibStr(str::WrongPassword, QStringLiteral("Wrong password. Please try again.")),
                          BrakeNextTryText(result));
    case AccessOutcome::OldWrong:
        return WithDetail(
            LibStr(str::OldPasswordWrong, QStringLiteral("The old password is wrong. The password was not changed.")),
            BrakeNextTryText(result));
    case AccessOutcome::TooEarly:
        return LibStr(str::BrakeWait,
                      QStringLiteral("Too many wrong passwords in a row: please wait %1 s before the next try."))
            .arg(WaitSeconds(result.waitMs));
    case AccessOutcome::NewDiffers:
        return LibStr(str::NewPasswordsDiffer,
                      QStringLiteral("The new passwords do not match. Please type them again."));
    case AccessOutcome::NewNotStorable:
        return WithDetail(
            LibStr(str::NewPasswordNotKept,
                   QStringLiteral("The new password holds a character the password file cannot keep; it was not "
                                  "changed.")),
            LibStr(str::PasswordCharacters, QStringLiteral("A password may hold only A-Z, a-z, 0-9, the space and "
                                                           "!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~")));
    case AccessOutcome::NewTooLong:
        return LibStr(str::NewPasswordTooLong,
                      QStringLiteral("The new password is longer than 16 characters; it was not changed."));
    case AccessOutcome::FileProblem:
        return WithDetail(FileProblemText(result), result.error.description);
    case AccessOutcome::NotSaved:
        return WithDetail(LibStr(str::PasswordNotSaved,
                                 QStringLiteral("The password could not be saved. The old password still holds.")),
                          result.error.description);
    }
    return QString();
}

}  // namespace qlm
