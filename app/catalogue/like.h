// The original engine's LIKE: wildcards * ? # and [..] lists, ignoring case.
#pragma once

#include <QString>

struct sqlite3;

namespace qlm {

// True when text matches the pattern. A pattern with an unclosed '[' sets
// *badPattern (when given) and matches nothing.
bool LikeMatch(const QString& pattern, const QString& text, bool* badPattern = nullptr);

// Makes LIKE (and like()) on this connection the engine's; a bad pattern
// fails the statement with "Invalid pattern string in LIKE".
void RegisterLike(sqlite3* db);

}  // namespace qlm
