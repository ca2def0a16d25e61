// The one password of the program: kept scrambled in "qlm6200.pwd" (in the
// application folder, or per user for an installed program), read anew for
// every check and change.
//
// File format: the scrambled password as plain bytes from the first byte,
// each a printable ASCII code (32-126), no header, no terminator; 0 to 16
// bytes. Readers take a fixed 16-byte field; missing bytes count as NUL and
// anything after the sixteenth byte is ignored. An empty (or missing) file
// stands for the empty password.
#pragma once

#include <functional>

#include <QString>

#include "platform/error.h"
#include "platform/userstate.h"  // kPasswordFileName

namespace qlm {

inline constexpr char kPasswordKey[] = "KITE";
inline constexpr int kPasswordLength = 16;

// The password file: in the application folder, or in the user's config
// folder when the application folder is an installed, shared one.
QString PasswordFilePath();

// The seed the scrambler derives from a key: each character's code XORed in
// twice, at two rotating shifts.
qint32 KeyToSeed(const QString& key);

// Shift every printable ASCII character (32-126) by a value drawn from the
// runtime generator, reset and seeded from the key; other characters are
// dropped without drawing, so both directions stay aligned.
QString ScramblePassword(const QString& text, const QString& key);
QString UnscramblePassword(const QString& text, const QString& key);

// Why an existing password file cannot be used. Each has its own message:
// none of them is a wrong password.
enum class PasswordFileProblem {
    None,
    Folder,      // a folder stands where the file should be
    NotRegular,  // a FIFO, a device or a socket: never opened for a read that could hang
    NoAccess,    // this user may not read it
    Unreadable,  // anything else: an I/O error, a link that leads nowhere
};

// The 16-character field of the file, NULs where the file is shorter. A
// missing file is created empty (owner-only). When the file exists but
// cannot be read, *error is set (and *problem says why) and the field is all
// NUL: callers must then refuse rather than take it for the empty password.
// Only a regular file is read; the open does not wait for a FIFO's writer.
QString ReadPasswordFile(Error* error = nullptr, PasswordFileProblem* problem = nullptr);

// Why a new password cannot be stored as it is: the file keeps printable
// ASCII only (space to tilde) and 16 characters at most, blanks around the
// password not counted. Such a password is refused, never shortened.
enum class NewPasswordProblem { None, Character, TooLong };
NewPasswordProblem CheckNewPassword(const QString& password);

// True when the entered text, blanks around it removed, is the password the
// field (as ReadPasswordFile returns it) holds. A text with a character the
// file cannot keep never matches, whatever is stored.
bool PasswordMatches(const QString& entered, const QString& field);

// Replaces the file's content by the scrambled text. The old file stays
// intact until the new one is complete on disk: the text goes to a temporary
// file in the same folder (mode 0600), is flushed, and is renamed over the
// old one. False (and *error) when any step fails.
bool WritePasswordFile(const QString& scrambled, Error* error = nullptr);

// True when the entered text, blanks around it removed, is the stored
// password (case matters). False when the file cannot be read (*error set).
bool CheckPassword(const QString& entered, Error* error = nullptr);

// Stores newPassword (blanks around it removed) when oldPassword matches the
// stored one. False with *error clear when the old password is wrong; false
// with *error set when the new password cannot be stored as it is (see
// CheckNewPassword; nothing is read or written then) or the file could not
// be read or written, in which case the old password still holds.
bool SavePassword(const QString& oldPassword, const QString& newPassword, Error* error = nullptr);

// Test seam: called after the temporary file is written and flushed, before
// it replaces the old one. Returning false stops the write there, as a crash
// or power cut would. An empty function removes the hook.
using PasswordWriteHook = std::function<bool(const QString& temporaryPath)>;
void SetPasswordWriteHook(PasswordWriteHook hook);

}  // namespace qlm
