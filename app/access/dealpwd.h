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

// The 16-character field of the file, NULs where the file is shorter. A
// missing file is created empty (owner-only). When the file exists but
// cannot be read, *error is set and the field is all NUL: callers must then
// refuse rather than take it for the empty password.
QString ReadPasswordFile(Error* error = nullptr);

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
// with *error set when the file could not be read or written, in which case
// the old password still holds.
bool SavePassword(const QString& oldPassword, const QString& newPassword, Error* error = nullptr);

// Test seam: called after the temporary file is written and flushed, before
// it replaces the old one. Returning false stops the write there, as a crash
// or power cut would. An empty function removes the hook.
using PasswordWriteHook = std::function<bool(const QString& temporaryPath)>;
void SetPasswordWriteHook(PasswordWriteHook hook);

}  // namespace qlm
