// qlmtool passwd: the window's Change Password for scripts and terminals.
// The old password, then the new one twice; the same rules (exact
// confirmation, printable ASCII only, 16 characters at most, never
// shortened), the same brake on guessing and the same durable write.
#include <cstdio>

#include "app/access/passwordgate.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "cli/cli.h"
#include "platform/appfolder.h"

namespace qlm::cli {

int CmdPasswd(const QStringList& args) {
    QStringList rest = args;
    const bool fromStdin = TakeFlag(&rest, QStringLiteral("--password-stdin"));
    if (!rest.isEmpty())
        return Usage("passwd");
    // The messages in the user's language when the library is there; the
    // English texts otherwise.
    LoadStringLibrary(JoinPath(ApplicationFolder(), QString::fromLatin1(kStringLibraryFile)),
                      QString::fromLatin1(kStringLibrarySection));

    QString oldPassword;
    if (!ReadPassword(stdin, fromStdin, QStringLiteral("Old password: "), &oldPassword)) {
        Err(QStringLiteral("Wrong password"));
        return kWrongPassword;
    }
    QString newPassword;
    QString again;
    if (!ReadPassword(stdin, fromStdin, QStringLiteral("New password: "), &newPassword) ||
        !ReadPassword(stdin, fromStdin, QStringLiteral("New password again: "), &again)) {
        Err(QStringLiteral("qlmtool: passwd: the new password must be given twice, one a line"));
        return kFailed;
    }
    const AccessResult result =
        ChangePasswordAttempt(oldPassword, newPassword, again, BrakeMode::Wait,
                              [](qint64 waitMs, int) { Err(QStringLiteral("qlmtool: ") + BrakeWaitingText(waitMs)); });
    switch (result.outcome) {
    case AccessOutcome::Done:
        Out(LibStr(str::PasswordChanged, QStringLiteral("The password has been changed.")));
        return kOk;
    case AccessOutcome::OldWrong:
        Err(QStringLiteral("qlmtool: ") + AccessMessage(result).replace(u'\n', u' '));
        return kWrongPassword;
    default:
        Err(QStringLiteral("qlmtool: ") + AccessMessage(result).replace(u'\n', u' '));
        return kFailed;
    }
}

}  // namespace qlm::cli
