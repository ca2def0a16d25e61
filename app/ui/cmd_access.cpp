// Sign-in, sign-out and the password change.
#include "app/ui/commands.h"

namespace qlm {

void SignIn(frmMain&) {}
void SignOut(frmMain&) {}
void ModifyPassword(frmMain&) {}

}  // namespace qlm
